/*
 * Tervanil in-page viewer: replays the Go record that the page hands its applet.
 *
 * One classic script with no dependencies. It is kept to ASCII because the
 * browser reads it in the page's charset, which may be Shift_JIS. It finds its
 * record in the "moves" PARAM of the APPLET it sits in, and replaces the page's
 * static diagram with a replay board. The record is untrusted: its text reaches
 * the page only through textContent, and the board is built element by element
 * with numeric attributes.
 *
 * Under Node the pure parts (parser, board, replay) are exported for testing and
 * nothing touches a DOM.
 */
(function () {
    'use strict';

    var EMPTY = 0;
    var BLACK = 1;
    var WHITE = 2;

    function opponent(color) {
        return color === BLACK ? WHITE : BLACK;
    }

    // ---------------------------------------------------------------- parser

    class SgfError extends Error {
        constructor(message) {
            super(message);
            this.name = 'SgfError';
        }
    }

    function isSpace(code) {
        return code === 32 || code === 9 || code === 10 || code === 13 || code === 11 || code === 12;
    }

    function isUpper(code) {
        return code >= 65 && code <= 90;
    }

    function isLower(code) {
        return code >= 97 && code <= 122;
    }

    // Where the last value read by readValue ended: the index behind its ']'.
    var valueEnd = 0;

    // Reads the value that opens at text[at] === '['. A backslash keeps the
    // character behind it; a backslash before a line break removes both (a
    // soft line break).
    function readValue(text, at) {
        var parts = null;
        var from = at + 1;
        var i = from;
        var n = text.length;
        while (i < n) {
            var c = text.charCodeAt(i);
            if (c === 93) {
                valueEnd = i + 1;
                if (!parts)
                    return text.slice(from, i);
                parts.push(text.slice(from, i));
                return parts.join('');
            }
            if (c === 92) {
                if (!parts)
                    parts = [];
                parts.push(text.slice(from, i));
                i++;
                if (i >= n)
                    break;
                var e = text.charCodeAt(i);
                if (e === 10 || e === 13) {
                    var pair = text.charCodeAt(i + 1);
                    i += (pair === 10 || pair === 13) && pair !== e ? 2 : 1;
                    from = i;
                } else {
                    from = i;
                    i++;
                }
                continue;
            }
            i++;
        }
        throw new SgfError('a property value is not closed');
    }

    // Identifiers are capitals only, so they never meet the names an object
    // inherits; a plain object stays fast where a record has many nodes.
    function newNode(parent) {
        return { props: {}, children: [], parent: parent, depth: parent ? parent.depth + 1 : 0 };
    }

    // Parses the first game tree of the text into linked nodes: each node has
    // props (identifier -> list of values, escapes resolved), its children (the
    // first continues the line, the others are variations) and its parent.
    // Text before the tree and anything behind it are ignored.
    function parseSgf(text) {
        text = String(text);
        var opening = /\(\s*;/.exec(text);
        if (!opening)
            throw new SgfError('no game record found');
        var i = opening.index;
        var n = text.length;
        var root = null;
        var current = null;
        var open = []; // the node each open '(' continues from
        var inNode = false; // properties belong to a node opened by ';'
        while (i < n) {
            var c = text.charCodeAt(i);
            if (c === 40) {
                open.push(current);
                inNode = false;
                i++;
            } else if (c === 41) {
                current = open.pop();
                inNode = false;
                i++;
                if (open.length === 0)
                    return root;
            } else if (c === 59) {
                var node = newNode(current);
                if (current)
                    current.children.push(node);
                else if (root)
                    throw new SgfError('a variation has no move to follow');
                else
                    root = node;
                current = node;
                inNode = true;
                i++;
            } else if (isUpper(c) || isLower(c)) {
                if (!inNode)
                    throw new SgfError('a property stands outside a node');
                var start = i;
                var small = false;
                for (; i < n; i++) {
                    var l = text.charCodeAt(i);
                    if (isLower(l))
                        small = true;
                    else if (!isUpper(l))
                        break;
                }
                // Old records spell identifiers with small letters between the capitals.
                var id = small ? text.slice(start, i).replace(/[a-z]+/g, '') : text.slice(start, i);
                while (i < n && isSpace(text.charCodeAt(i)))
                    i++;
                if (text.charCodeAt(i) !== 91)
                    throw new SgfError('a property has no value');
                var values = [];
                while (text.charCodeAt(i) === 91) {
                    values.push(readValue(text, i));
                    i = valueEnd;
                    while (i < n && isSpace(text.charCodeAt(i)))
                        i++;
                }
                if (id) {
                    var list = current.props[id];
                    current.props[id] = list ? list.concat(values) : values;
                }
            } else if (isSpace(c)) {
                i++;
            } else {
                throw new SgfError('unexpected character in the record');
            }
        }
        throw new SgfError('the record ends before its game tree is closed');
    }

    function prop(node, id) {
        var list = node.props[id];
        return list && list.length ? list[0] : null;
    }

    // ----------------------------------------------------------------- board

    function letterIndex(code) {
        if (isLower(code))
            return code - 97;
        if (isUpper(code))
            return code - 65 + 26;
        return -1;
    }

    // A point value as a board index; null for a pass; undefined when it names
    // no point of the board. White space is dropped: the page writer may break
    // a line inside a value.
    function parsePoint(value, width, height) {
        var v = value.replace(/\s+/g, '');
        if (v === '' || (v === 'tt' && width <= 19 && height <= 19))
            return null;
        if (v.length !== 2)
            return undefined;
        var x = letterIndex(v.charCodeAt(0));
        var y = letterIndex(v.charCodeAt(1));
        if (x < 0 || y < 0 || x >= width || y >= height)
            return undefined;
        return y * width + x;
    }

    // The points of a list of values, "aa:cc" rectangles included.
    function parsePointList(values, width, height) {
        var points = [];
        for (var i = 0; i < values.length; i++) {
            var v = values[i].replace(/\s+/g, '');
            var colon = v.indexOf(':');
            if (colon < 0) {
                var p = parsePoint(v, width, height);
                if (typeof p === 'number')
                    points.push(p);
                continue;
            }
            var a = parsePoint(v.slice(0, colon), width, height);
            var b = parsePoint(v.slice(colon + 1), width, height);
            if (typeof a !== 'number' || typeof b !== 'number')
                continue;
            var x0 = Math.min(a % width, b % width), x1 = Math.max(a % width, b % width);
            var y0 = Math.min((a / width) | 0, (b / width) | 0);
            var y1 = Math.max((a / width) | 0, (b / width) | 0);
            for (var y = y0; y <= y1; y++)
                for (var x = x0; x <= x1; x++)
                    points.push(y * width + x);
        }
        return points;
    }

    // Scratch marks for walking groups, shared by all boards: a point is marked
    // with the current stamp (a stone of the group) or stamp + 1 (a liberty).
    var marks = new Int32Array(0);
    var markStamp = 0;

    function nextStamp(size) {
        if (marks.length < size || markStamp > 0x3ffffff0) {
            marks = new Int32Array(Math.max(size, marks.length));
            markStamp = 0;
        }
        markStamp += 2;
        return markStamp;
    }

    // The board after some node: stones, the move that placed each stone, the
    // capture counts, the ko point and whose turn it is.
    class Position {
        constructor(width, height) {
            this.width = width;
            this.height = height;
            this.stones = new Uint8Array(width * height);
            this.numbers = new Int32Array(width * height); // move count that placed the stone
            this.captures = [0, 0, 0]; // indexed by the colour that captured
            this.moveNumber = 0;
            this.ko = -1;
            this.last = -1; // point of the last move; -1 none, -2 a pass
            this.lastColor = EMPTY;
            this.toMove = BLACK;
        }

        copy() {
            var p = new Position(this.width, this.height);
            p.stones.set(this.stones);
            p.numbers.set(this.numbers);
            p.captures = this.captures.slice();
            p.moveNumber = this.moveNumber;
            p.ko = this.ko;
            p.last = this.last;
            p.lastColor = this.lastColor;
            p.toMove = this.toMove;
            return p;
        }

        neighbours(point) {
            var w = this.width;
            var x = point % w;
            var result = [];
            if (x > 0)
                result.push(point - 1);
            if (x < w - 1)
                result.push(point + 1);
            if (point >= w)
                result.push(point - w);
            if (point + w < this.stones.length)
                result.push(point + w);
            return result;
        }

        // The group of the stone at point and its liberty count.
        group(point) {
            var color = this.stones[point];
            var stamp = nextStamp(this.stones.length);
            var stones = [point];
            var liberties = 0;
            marks[point] = stamp;
            for (var i = 0; i < stones.length; i++) {
                var around = this.neighbours(stones[i]);
                for (var j = 0; j < around.length; j++) {
                    var q = around[j];
                    var s = this.stones[q];
                    if (s === color && marks[q] !== stamp) {
                        marks[q] = stamp;
                        stones.push(q);
                    } else if (s === EMPTY && marks[q] !== stamp + 1) {
                        marks[q] = stamp + 1;
                        liberties++;
                    }
                }
            }
            return { stones: stones, liberties: liberties };
        }

        removeStones(stones) {
            for (var i = 0; i < stones.length; i++) {
                this.stones[stones[i]] = EMPTY;
                this.numbers[stones[i]] = 0;
            }
        }

        // Plays a move in place. Strict play refuses an occupied point, suicide
        // and the retaking of a ko and returns the reason; a record's own moves
        // are played as written: over a stone, and a suicide takes its own group.
        play(color, point, strict) {
            if (point === null) {
                this.moveNumber++;
                this.ko = -1;
                this.last = -2;
                this.lastColor = color;
                this.toMove = opponent(color);
                return { ok: true, captured: 0 };
            }
            if (strict && this.stones[point] !== EMPTY)
                return { ok: false, reason: 'occupied' };
            if (strict && point === this.ko)
                return { ok: false, reason: 'ko' };
            var before = strict ? this.copy() : null;
            this.stones[point] = color;
            var enemy = opponent(color);
            var captured = [];
            var around = this.neighbours(point);
            for (var i = 0; i < around.length; i++) {
                var q = around[i];
                if (this.stones[q] !== enemy)
                    continue;
                var g = this.group(q);
                if (g.liberties === 0) {
                    this.removeStones(g.stones);
                    captured = captured.concat(g.stones);
                }
            }
            var own = this.group(point);
            if (own.liberties === 0) {
                if (strict) {
                    this.stones.set(before.stones);
                    return { ok: false, reason: 'suicide' };
                }
                this.removeStones(own.stones);
                this.captures[enemy] += own.stones.length;
            }
            this.captures[color] += captured.length;
            this.moveNumber++;
            if (this.stones[point] === color)
                this.numbers[point] = this.moveNumber;
            this.ko = captured.length === 1 && own.stones.length === 1 && own.liberties === 1
                ? captured[0] : -1;
            this.last = point;
            this.lastColor = color;
            this.toMove = enemy;
            return { ok: true, captured: captured.length };
        }
    }

    // ------------------------------------------------------------------ game

    function parseInteger(text, fallback) {
        var m = /^\s*(-?\d+)/.exec(text === null ? '' : text);
        return m ? parseInt(m[1], 10) : fallback;
    }

    // The viewer's settings that the page writer puts into the root node.
    function readSettings(root) {
        var go = parseInteger(prop(root, 'GO'), 0);
        if (go < 0 || go > 3)
            go = 0;
        var cl = parseInteger(prop(root, 'CL'), 0);
        var as = (prop(root, 'AS') || '').split(',');
        var startMoves = Math.max(0, parseInteger(as[0] || null, 0));
        var startNumber = parseInteger(as.length > 1 ? as[1] : null, 1);
        return {
            numbers: go === 0 || go === 1,
            openAtEnd: go === 1 || go === 3,
            click: cl === 1 || cl === 2 ? cl : 0,
            problem: parseInteger(prop(root, 'QS'), 0) === 1,
            whiteFirst: (prop(root, 'NE') || '').trim().toUpperCase() === 'W',
            startMoves: startMoves,
            startNumber: startNumber
        };
    }

    function boardSize(root) {
        var value = prop(root, 'SZ');
        if (value === null)
            return [19, 19];
        var parts = value.split(':');
        var w = parseInteger(parts[0], NaN);
        var h = parts.length > 1 ? parseInteger(parts[1], NaN) : w;
        if (!(w >= 2 && w <= 52 && h >= 2 && h <= 52))
            throw new SgfError('the board size is not one this viewer can draw');
        return [w, h];
    }

    // The move a node makes: { color, point } (point null for a pass), or null.
    function nodeMove(node, width, height) {
        var colors = ['B', 'W'];
        for (var i = 0; i < 2; i++) {
            var v = prop(node, colors[i]);
            if (v === null)
                continue;
            var point = parsePoint(v, width, height);
            if (point === undefined)
                return null;
            return { color: i === 0 ? BLACK : WHITE, point: point };
        }
        return null;
    }

    var POSITION_STRIDE = 32;

    class Game {
        constructor(root) {
            this.root = root;
            var size = boardSize(root);
            this.width = size[0];
            this.height = size[1];
            this.settings = readSettings(root);
            this.positions = new Map();
            this.counts = new Map();
        }

        move(node) {
            return nodeMove(node, this.width, this.height);
        }

        // The moves played up to a node, passes included; kept for every node.
        moveCount(node) {
            var chain = [];
            var count = 0;
            for (var at = node; at; at = at.parent) {
                var known = this.counts.get(at);
                if (known !== undefined) {
                    count = known;
                    break;
                }
                chain.push(at);
            }
            for (var i = chain.length - 1; i >= 0; i--) {
                if (this.move(chain[i]))
                    count++;
                this.counts.set(chain[i], count);
            }
            return count;
        }

        // The position after a node, replayed from the nearest ancestor whose
        // position is kept. Positions are kept for the nodes asked for and for
        // every POSITION_STRIDE-th level, so that a long game costs little memory.
        position(node) {
            var cached = this.positions.get(node);
            if (cached)
                return cached;
            var chain = [];
            var start = null;
            for (var at = node; at; at = at.parent) {
                start = this.positions.get(at);
                if (start)
                    break;
                chain.push(at);
            }
            // Replayed on one board of its own; the kept positions are copies.
            var pos = start ? start.copy() : this.initial();
            for (var i = chain.length - 1; i >= 0; i--) {
                this.apply(pos, chain[i]);
                if (i === 0)
                    this.positions.set(chain[i], pos);
                else if (chain[i].depth % POSITION_STRIDE === 0)
                    this.positions.set(chain[i], pos.copy());
            }
            return pos;
        }

        initial() {
            var pos = new Position(this.width, this.height);
            pos.toMove = this.settings.whiteFirst ? WHITE : BLACK;
            return pos;
        }

        // Plays a node's setup, move and turn onto pos.
        apply(pos, node) {
            var setup = [['AE', EMPTY], ['AB', BLACK], ['AW', WHITE]];
            var changed = false;
            for (var s = 0; s < setup.length; s++) {
                var values = node.props[setup[s][0]];
                if (!values)
                    continue;
                var points = parsePointList(values, this.width, this.height);
                for (var i = 0; i < points.length; i++) {
                    pos.stones[points[i]] = setup[s][1];
                    pos.numbers[points[i]] = 0;
                }
                changed = true;
            }
            if (changed) {
                pos.ko = -1;
                pos.last = -1;
            }
            var move = this.move(node);
            if (move)
                pos.play(move.color, move.point, false);
            var player = prop(node, 'PL');
            if (player !== null) {
                var p = player.trim().toUpperCase();
                if (p === 'B' || p === 'W')
                    pos.toMove = p === 'B' ? BLACK : WHITE;
            }
        }

        // The number written on the stone of a move, or '' for an unnumbered one.
        label(moveNumber) {
            var s = this.settings;
            if (moveNumber <= s.startMoves)
                return '';
            return String(moveNumber - s.startMoves + s.startNumber - 1);
        }
    }

    // ---------------------------------------------------------------- replay

    // Where the reader stands in a game, and which variation each node goes on with.
    class Replay {
        constructor(game) {
            this.game = game;
            this.choices = new Map();
            this.node = game.root;
            // The first moves named by the settings are shown as the start.
            this.start = this.along(game.root, game.settings.startMoves);
            this.node = this.start;
            this.trial = null;
        }

        nextOf(node) {
            if (!node.children.length)
                return null;
            var i = this.choices.get(node) || 0;
            return node.children[i < node.children.length ? i : 0];
        }

        // The first node on the chosen line from `from` whose move count reaches n.
        along(from, n) {
            var node = from;
            while (this.game.moveCount(node) < n) {
                var next = this.nextOf(node);
                if (!next)
                    break;
                node = next;
            }
            return node;
        }

        setNode(node) {
            this.trial = null;
            this.node = node;
        }

        forward(count) {
            var node = this.node;
            for (var i = 0; i < count; i++) {
                var next = this.nextOf(node);
                if (!next)
                    break;
                node = next;
            }
            this.setNode(node);
        }

        back(count) {
            var node = this.node;
            for (var i = 0; i < count && node !== this.start && node.parent; i++) {
                var up = node.parent;
                this.choices.set(up, up.children.indexOf(node));
                node = up;
            }
            this.setNode(node);
        }

        home() {
            this.setNode(this.start);
        }

        end() {
            this.forward(Infinity);
        }

        choose(index) {
            var child = this.node.children[index];
            if (!child)
                return;
            this.choices.set(this.node, index);
            this.setNode(child);
        }

        // Move n along the chosen line from the start; never above the start.
        goToMove(n) {
            if (n <= this.game.moveCount(this.start)) {
                this.setNode(this.start);
                return;
            }
            this.setNode(this.along(this.start, n));
        }

        moveNumber() {
            return this.game.moveCount(this.node);
        }

        shown() {
            return this.trial ? this.trial.position : this.game.position(this.node);
        }

        // A trial move from the position shown. Free clicking takes any empty
        // point in the colour asked for; otherwise the colours alternate and
        // only legal moves are taken.
        tryMove(point, color) {
            var free = this.game.settings.click === 1;
            var pos = (this.trial ? this.trial.position : this.game.position(this.node)).copy();
            if (!free || !color)
                color = pos.toMove;
            if (free && pos.stones[point] !== EMPTY)
                return { ok: false, reason: 'occupied' };
            var result = pos.play(color, point, !free);
            if (!result.ok)
                return result;
            if (!this.trial)
                this.trial = { position: null, moves: [] };
            this.trial.position = pos;
            this.trial.moves.push(point);
            return result;
        }

        // Problem mode: the record's next move (any variation) goes on, with the
        // answer that follows it; any other point is wrong.
        answer(point) {
            var children = this.node.children;
            for (var i = 0; i < children.length; i++) {
                var move = this.game.move(children[i]);
                if (move && move.point === point) {
                    this.choose(i);
                    var reply = this.node.children[0];
                    if (reply) {
                        var replyMove = this.game.move(reply);
                        if (replyMove && replyMove.color !== move.color)
                            this.choose(0);
                    }
                    return true;
                }
            }
            return false;
        }
    }

    // ---------------------------------------------------------------- export

    var api = {
        EMPTY: EMPTY,
        BLACK: BLACK,
        WHITE: WHITE,
        SgfError: SgfError,
        parseSgf: parseSgf,
        parsePoint: parsePoint,
        parsePointList: parsePointList,
        readSettings: readSettings,
        Position: Position,
        Game: Game,
        Replay: Replay
    };

    // ------------------------------------------------------------------ view

    var SVG_NS = 'http://www.w3.org/2000/svg';
    var CELL = 24;
    var COLUMN_LETTERS = 'ABCDEFGHJKLMNOPQRSTUVWXYZ';

    // Where the board's first line lies and how far apart its lines are.
    function geometry(width, height, coordinates) {
        var margin = coordinates ? 34 : 16;
        return {
            cell: CELL,
            origin: margin,
            viewWidth: margin * 2 + (width - 1) * CELL,
            viewHeight: margin * 2 + (height - 1) * CELL
        };
    }

    function starPoints(width, height) {
        if (width !== height || width < 7)
            return [];
        var edge = width >= 13 ? 3 : 2;
        var far = width - 1 - edge;
        var mid = (width - 1) / 2;
        var list = [[edge, edge], [far, edge], [edge, far], [far, far]];
        if (width % 2 === 1) {
            list.push([mid, mid]);
            if (width >= 19)
                list.push([mid, edge], [mid, far], [edge, mid], [far, mid]);
        }
        return list;
    }

    function columnName(x) {
        return x < COLUMN_LETTERS.length ? COLUMN_LETTERS.charAt(x) : String(x + 1);
    }

    function pointName(game, point) {
        if (point === null)
            return 'pass';
        var x = point % game.width;
        var y = (point / game.width) | 0;
        return columnName(x) + String(game.height - y);
    }

    var STYLE = [
        '.tervanil-viewer{font:15px/1.4 sans-serif;color:#222;max-width:980px;margin:8px 0}',
        '.tervanil-viewer .tv-main{display:flex;flex-wrap:nowrap;gap:16px;align-items:flex-start}',
        '.tervanil-viewer .tv-board{flex:0 1 560px;min-width:0}',
        '.tervanil-viewer .tv-board svg{display:block;width:100%;height:auto;touch-action:manipulation}',
        '.tervanil-viewer .tv-side{flex:1 1 260px;min-width:0}',
        '.tervanil-viewer .tv-controls{display:flex;flex-wrap:wrap;gap:4px;margin:0 0 8px}',
        '.tervanil-viewer button{font:inherit;min-width:2.4em;padding:4px 8px;cursor:pointer}',
        '.tervanil-viewer .tv-status{margin:0 0 6px;font-weight:bold}',
        '.tervanil-viewer .tv-variations{margin:0 0 8px}',
        '.tervanil-viewer .tv-variations button{margin:0 4px 4px 0}',
        '.tervanil-viewer .tv-variations button[aria-pressed="true"]{font-weight:bold}',
        '.tervanil-viewer .tv-comment{white-space:pre-wrap;overflow-wrap:anywhere;',
        'background:#fffdf6;border:1px solid #d8cfb0;padding:6px 8px;min-height:3em;',
        'max-height:20em;overflow:auto;margin:0 0 8px}',
        '.tervanil-viewer .tv-comment:empty{display:none}',
        '.tervanil-viewer .tv-message{margin:0 0 8px;min-height:1.4em}',
        '.tervanil-viewer .tv-wrong{color:#b00000;font-weight:bold}',
        '.tervanil-viewer .tv-card{margin:0 0 8px}',
        '.tervanil-viewer .tv-card dt{float:left;clear:left;width:6em;color:#555}',
        '.tervanil-viewer .tv-card dd{margin:0 0 0 6.5em;overflow-wrap:anywhere}',
        '@media (max-width:640px){.tervanil-viewer .tv-main{flex-direction:column}',
        '.tervanil-viewer .tv-board,.tervanil-viewer .tv-side{flex:none;width:100%}',
        '.tervanil-viewer .tv-side{display:flex;flex-direction:column}',
        '.tervanil-viewer .tv-controls{order:-1;justify-content:center}',
        '.tervanil-viewer .tv-controls button{flex:1 1 auto;padding:8px 4px}}',
        '.tervanil-viewer-notice{color:#8a1c00;font:14px sans-serif}'
    ].join('\n');

    function element(tag, className, text) {
        var el = document.createElement(tag);
        if (className)
            el.className = className;
        if (text !== undefined)
            el.textContent = text;
        return el;
    }

    function svgElement(tag, attributes, className) {
        var el = document.createElementNS(SVG_NS, tag);
        for (var name in attributes)
            el.setAttribute(name, String(+attributes[name]));
        if (className)
            el.setAttribute('class', className);
        return el;
    }

    function svgText(x, y, size, className, text) {
        var el = svgElement('text', { x: x, y: y, 'font-size': size }, className);
        el.setAttribute('text-anchor', 'middle');
        el.setAttribute('dominant-baseline', 'central');
        el.textContent = text;
        return el;
    }

    function simpleText(value) {
        return value === null ? '' : value.replace(/\s+/g, ' ').trim();
    }

    // The card of the game, from the record's root.
    function buildCard(game) {
        var root = game.root;
        var withRank = function (name, rank) {
            var n = simpleText(prop(root, name));
            var r = simpleText(prop(root, rank));
            return n && r ? n + ' (' + r + ')' : n || r;
        };
        var moves = 0;
        for (var node = root; node; node = node.children[0])
            if (game.move(node))
                moves++;
        var rows = [
            ['Event', simpleText(prop(root, 'EV')) || simpleText(prop(root, 'GN'))],
            ['Black', withRank('PB', 'BR')],
            ['White', withRank('PW', 'WR')],
            ['Result', simpleText(prop(root, 'RE'))],
            ['Date', simpleText(prop(root, 'DT'))],
            ['Komi', simpleText(prop(root, 'KM'))],
            ['Handicap', simpleText(prop(root, 'HA'))],
            ['Moves', String(moves)]
        ];
        var dl = element('dl', 'tv-card');
        rows.forEach(function (row) {
            if (!row[1])
                return;
            dl.appendChild(element('dt', null, row[0]));
            dl.appendChild(element('dd', null, row[1]));
        });
        return dl;
    }

    class View {
        constructor(game, fallback) {
            this.game = game;
            this.replay = new Replay(game);
            this.coordinates = true;
            this.trialColor = 0;
            this.wrongPoint = -1;
            this.message = '';
            this.opening = true;

            var root = element('div', 'tervanil-viewer');
            var main = element('div', 'tv-main');
            this.boardBox = element('div', 'tv-board');
            var side = element('div', 'tv-side');
            this.status = element('p', 'tv-status');
            this.controls = element('div', 'tv-controls');
            this.variations = element('div', 'tv-variations');
            this.comment = element('div', 'tv-comment');
            this.messageBox = element('p', 'tv-message');
            this.messageBox.setAttribute('aria-live', 'polite');
            main.appendChild(this.boardBox);
            main.appendChild(side);
            side.appendChild(this.status);
            side.appendChild(this.controls);
            side.appendChild(this.variations);
            side.appendChild(this.messageBox);
            side.appendChild(this.comment);
            side.appendChild(buildCard(game));
            root.appendChild(main);
            this.element = root;
            this.buildControls();
            if (fallback) {
                var source = fallback.querySelector('.tervanil-source');
                if (source)
                    side.appendChild(source);
            }
        }

        buildControls() {
            var self = this;
            var add = function (label, title, action) {
                var b = element('button', null, label);
                b.type = 'button';
                b.title = title;
                b.setAttribute('aria-label', title);
                b.addEventListener('click', function () {
                    self.guard(action);
                });
                self.controls.appendChild(b);
                return b;
            };
            add('|<', 'First move (Home)', function () { self.navigate('home'); });
            add('<<', 'Ten moves back (Page Up)', function () { self.navigate('back', 10); });
            add('<', 'Previous move (Left)', function () { self.navigate('back', 1); });
            add('>', 'Next move (Right)', function () { self.navigate('forward', 1); });
            add('>>', 'Ten moves on (Page Down)', function () { self.navigate('forward', 10); });
            add('>|', 'Last move (End)', function () { self.navigate('end'); });
            this.coordinateButton = add('A1', 'Show or hide coordinates', function () {
                self.coordinates = !self.coordinates;
                self.render();
            });
            if (this.game.settings.click === 1 && !this.game.settings.problem) {
                this.colorButton = add('', 'Colour of the next trial stone', function () {
                    var shown = self.replay.shown();
                    self.trialColor = opponent(self.trialColor || shown.toMove);
                    self.render();
                });
            }
        }

        // Runs a handler; a fault becomes a short notice, never a console error.
        guard(action) {
            try {
                action();
            } catch (e) {
                this.message = 'The viewer stopped: ' + (e && e.message ? e.message : 'error');
                try {
                    this.render();
                } catch (ignored) {
                    // The message box keeps the last text it could show.
                }
            }
        }

        navigate(how, count) {
            var before = this.replay.node;
            var hadTrial = !!this.replay.trial;
            this.replay[how](count);
            this.wrongPoint = -1;
            this.message = '';
            this.trialColor = 0;
            if (before !== this.replay.node || hadTrial) {
                this.opening = false;
                this.writeAddress();
            }
            this.render();
        }

        goToMove(n) {
            this.replay.goToMove(n);
            this.opening = false;
            this.wrongPoint = -1;
            this.message = '';
            this.render();
        }

        writeAddress() {
            var hash = '#' + this.replay.moveNumber();
            if (location.hash === hash)
                return;
            try {
                history.replaceState(history.state, '', hash);
            } catch (e) {
                location.replace(hash);
            }
        }

        boardClick(event) {
            var svg = this.svg;
            var rect = svg.getBoundingClientRect();
            if (!rect.width || !rect.height)
                return;
            var g = this.geometryNow;
            var vx = (event.clientX - rect.left) * g.viewWidth / rect.width;
            var vy = (event.clientY - rect.top) * g.viewHeight / rect.height;
            var x = Math.round((vx - g.origin) / g.cell);
            var y = Math.round((vy - g.origin) / g.cell);
            if (x < 0 || y < 0 || x >= this.game.width || y >= this.game.height)
                return;
            var point = y * this.game.width + x;
            var settings = this.game.settings;
            this.message = '';
            this.wrongPoint = -1;
            if (settings.problem) {
                var before = this.replay.node;
                if (this.replay.answer(point)) {
                    this.opening = false;
                    if (!this.replay.node.children.length)
                        this.message = 'End of this line.';
                    if (before !== this.replay.node)
                        this.writeAddress();
                } else if (this.replay.node.children.length) {
                    this.wrongPoint = point;
                    this.message = 'Wrong: ' + pointName(this.game, point) + ' is not the move.';
                }
            } else if (settings.click) {
                var color = settings.click === 1 ? (event.shiftKey
                    ? opponent(this.trialColor || this.replay.shown().toMove)
                    : this.trialColor) : 0;
                var result = this.replay.tryMove(point, color);
                if (result.ok) {
                    this.opening = false;
                    this.trialColor = 0;
                } else {
                    this.message = result.reason === 'ko' ? 'That retakes a ko.'
                        : result.reason === 'suicide' ? 'That stone would have no liberty.'
                        : 'That point is taken.';
                }
            } else {
                return;
            }
            this.render();
        }

        commentText() {
            var replay = this.replay;
            var own = replay.node.props.C || [];
            var parts = own.slice();
            // The record's opening message shows at the start, wherever the start is.
            if (this.opening && replay.node !== this.game.root)
                parts = (this.game.root.props.C || []).concat(parts);
            return parts.join('\n\n').replace(/^\s+|\s+$/g, '');
        }

        render() {
            var game = this.game;
            var replay = this.replay;
            var pos = replay.shown();
            var trial = replay.trial;
            var n = replay.moveNumber();
            var colorName = function (c) {
                return c === BLACK ? 'Black' : 'White';
            };
            var status = 'Move ' + n;
            var lastMove = game.move(replay.node);
            if (!trial && lastMove)
                status += ': ' + colorName(lastMove.color) + ' ' + pointName(game, lastMove.point);
            if (trial)
                status += ' + ' + trial.moves.length + ' trial';
            status += '. ' + colorName(pos.toMove) + ' to play.';
            if (pos.captures[BLACK] || pos.captures[WHITE])
                status += ' Captures: Black ' + pos.captures[BLACK] + ', White ' + pos.captures[WHITE] + '.';
            this.status.textContent = status;
            this.messageBox.textContent = this.message;
            this.messageBox.className = 'tv-message' + (this.wrongPoint >= 0 ? ' tv-wrong' : '');
            this.comment.textContent = trial ? '' : this.commentText();
            this.renderVariations();
            if (this.colorButton) {
                var c = this.trialColor || pos.toMove;
                this.colorButton.textContent = c === BLACK ? 'Trial: Black' : 'Trial: White';
            }
            this.coordinateButton.setAttribute('aria-pressed', this.coordinates ? 'true' : 'false');
            this.renderBoard(pos);
        }

        renderVariations() {
            var self = this;
            var box = this.variations;
            while (box.firstChild)
                box.removeChild(box.firstChild);
            var children = this.replay.node.children;
            if (children.length < 2 || this.replay.trial)
                return;
            box.appendChild(document.createTextNode('Variations: '));
            var chosen = this.replay.choices.get(this.replay.node) || 0;
            children.forEach(function (child, i) {
                var move = self.game.move(child);
                var label = String.fromCharCode(65 + (i % 26)) +
                    (move ? ' ' + pointName(self.game, move.point) : '');
                var b = element('button', 'tv-variation', label);
                b.type = 'button';
                b.setAttribute('aria-pressed', i === chosen ? 'true' : 'false');
                b.addEventListener('click', function () {
                    self.guard(function () {
                        self.navigate('choose', i);
                    });
                });
                box.appendChild(b);
            });
        }

        renderBoard(pos) {
            var game = this.game;
            var w = game.width;
            var h = game.height;
            var g = geometry(w, h, this.coordinates);
            this.geometryNow = g;
            var svg = this.svg;
            if (!svg) {
                var self = this;
                svg = this.svg = svgElement('svg', {}, 'tv-svg');
                svg.setAttribute('role', 'img');
                svg.setAttribute('aria-label', 'Go board');
                svg.addEventListener('click', function (event) {
                    self.guard(function () {
                        self.boardClick(event);
                    });
                });
                this.boardBox.appendChild(svg);
            }
            svg.setAttribute('viewBox', '0 0 ' + g.viewWidth + ' ' + g.viewHeight);
            while (svg.firstChild)
                svg.removeChild(svg.firstChild);
            var at = function (i) {
                return g.origin + i * g.cell;
            };
            var wood = svgElement('rect', { x: 0, y: 0, width: g.viewWidth, height: g.viewHeight },
                                  'tv-wood');
            wood.setAttribute('fill', '#e3b665');
            svg.appendChild(wood);
            var lines = svgElement('g', {}, 'tv-grid');
            lines.setAttribute('stroke', '#3a2a10');
            lines.setAttribute('stroke-width', '1');
            for (var x = 0; x < w; x++)
                lines.appendChild(svgElement('line', { x1: at(x), y1: at(0), x2: at(x), y2: at(h - 1) }));
            for (var y = 0; y < h; y++)
                lines.appendChild(svgElement('line', { x1: at(0), y1: at(y), x2: at(w - 1), y2: at(y) }));
            svg.appendChild(lines);
            starPoints(w, h).forEach(function (p) {
                var dot = svgElement('circle', { cx: at(p[0]), cy: at(p[1]), r: 3 });
                dot.setAttribute('fill', '#3a2a10');
                svg.appendChild(dot);
            });
            if (this.coordinates) {
                for (var cx = 0; cx < w; cx++) {
                    svg.appendChild(svgText(at(cx), g.origin - 22, 11, 'tv-coord', columnName(cx)));
                    svg.appendChild(svgText(at(cx), at(h - 1) + 22, 11, 'tv-coord', columnName(cx)));
                }
                for (var cy = 0; cy < h; cy++) {
                    svg.appendChild(svgText(g.origin - 22, at(cy), 11, 'tv-coord', String(h - cy)));
                    svg.appendChild(svgText(at(w - 1) + 22, at(cy), 11, 'tv-coord', String(h - cy)));
                }
            }

            var trial = this.replay.trial;
            var showNumbers = game.settings.numbers;
            var firstTrial = trial ? game.position(this.replay.node).moveNumber : 0;
            for (var p = 0; p < pos.stones.length; p++) {
                var color = pos.stones[p];
                if (color === EMPTY)
                    continue;
                var sx = at(p % w);
                var sy = at((p / w) | 0);
                var stone = svgElement('circle', { cx: sx, cy: sy, r: g.cell * 0.47 },
                                       color === BLACK ? 'tv-stone tv-black' : 'tv-stone tv-white');
                stone.setAttribute('fill', color === BLACK ? '#111' : '#fafafa');
                stone.setAttribute('stroke', '#111');
                stone.setAttribute('stroke-width', '1');
                svg.appendChild(stone);
                var number = pos.numbers[p];
                var label = '';
                if (showNumbers && number) {
                    label = trial && number > firstTrial ? String(number - firstTrial)
                        : game.label(number);
                }
                if (label) {
                    var size = label.length > 2 ? 10 : 12;
                    var t = svgText(sx, sy, size, 'tv-number', label);
                    t.setAttribute('fill', color === BLACK ? '#fff' : '#111');
                    svg.appendChild(t);
                }
                if (p === pos.last && (!showNumbers || !label)) {
                    var mark = svgElement('circle', { cx: sx, cy: sy, r: g.cell * 0.2 }, 'tv-last');
                    mark.setAttribute('fill', 'none');
                    mark.setAttribute('stroke', color === BLACK ? '#fff' : '#111');
                    mark.setAttribute('stroke-width', '2');
                    svg.appendChild(mark);
                }
            }
            if (!trial)
                this.renderMarkup(svg, pos, at);
            if (!trial && !game.settings.problem && this.replay.node.children.length > 1) {
                this.replay.node.children.forEach(function (child, i) {
                    var move = game.move(child);
                    if (!move || move.point === null || pos.stones[move.point] !== EMPTY)
                        return;
                    var vx = at(move.point % w);
                    var vy = at((move.point / w) | 0);
                    var back = svgElement('circle', { cx: vx, cy: vy, r: g.cell * 0.36 },
                                          'tv-variation-mark');
                    back.setAttribute('fill', '#e3b665');
                    svg.appendChild(back);
                    var letter = svgText(vx, vy, 13, 'tv-variation-letter',
                                         String.fromCharCode(65 + (i % 26)));
                    letter.setAttribute('fill', '#7a1010');
                    svg.appendChild(letter);
                });
            }
            if (this.wrongPoint >= 0) {
                var wx = at(this.wrongPoint % w);
                var wy = at((this.wrongPoint / w) | 0);
                var d = g.cell * 0.3;
                var cross = svgElement('g', {}, 'tv-wrong-mark');
                cross.setAttribute('stroke', '#c00000');
                cross.setAttribute('stroke-width', '3');
                cross.appendChild(svgElement('line', { x1: wx - d, y1: wy - d, x2: wx + d, y2: wy + d }));
                cross.appendChild(svgElement('line', { x1: wx - d, y1: wy + d, x2: wx + d, y2: wy - d }));
                svg.appendChild(cross);
            }
        }
    }

    // The marks and labels that the current node puts on the board.
    View.prototype.renderMarkup = function (svg, pos, at) {
        var game = this.game;
        var props = this.replay.node.props;
        var w = game.width;
        var r = CELL * 0.3;
        var ink = function (point) {
            return pos.stones[point] === BLACK ? '#fff' : '#111';
        };
        var shapes = {
            CR: function (x, y) {
                return svgElement('circle', { cx: x, cy: y, r: r });
            },
            SQ: function (x, y) {
                var side = r * 1.7;
                return svgElement('rect', { x: x - side / 2, y: y - side / 2, width: side, height: side });
            },
            TR: function (x, y) {
                var t = svgElement('polygon', {});
                var corners = [x, y - r, x + r * 0.9, y + r * 0.6, x - r * 0.9, y + r * 0.6];
                t.setAttribute('points', corners.join(' '));
                return t;
            },
            MA: function (x, y) {
                var g = svgElement('g', {});
                var d = r * 0.8;
                g.appendChild(svgElement('line', { x1: x - d, y1: y - d, x2: x + d, y2: y + d }));
                g.appendChild(svgElement('line', { x1: x - d, y1: y + d, x2: x + d, y2: y - d }));
                return g;
            }
        };
        Object.keys(shapes).forEach(function (id) {
            if (!props[id])
                return;
            parsePointList(props[id], w, game.height).forEach(function (point) {
                var mark = shapes[id](at(point % w), at((point / w) | 0));
                mark.setAttribute('class', 'tv-mark');
                mark.setAttribute('fill', 'none');
                mark.setAttribute('stroke', ink(point));
                mark.setAttribute('stroke-width', '2');
                svg.appendChild(mark);
            });
        });
        (props.LB || []).forEach(function (value) {
            var colon = value.indexOf(':');
            var point = colon < 0 ? undefined : parsePoint(value.slice(0, colon), w, game.height);
            if (typeof point !== 'number')
                return;
            var x = at(point % w);
            var y = at((point / w) | 0);
            if (pos.stones[point] === EMPTY) {
                var back = svgElement('circle', { cx: x, cy: y, r: CELL * 0.38 }, 'tv-label-back');
                back.setAttribute('fill', '#e3b665');
                svg.appendChild(back);
            }
            var text = svgText(x, y, 12, 'tv-label', value.slice(colon + 1).trim().slice(0, 3));
            text.setAttribute('fill', ink(point));
            svg.appendChild(text);
        });
    };

    function findRecord(applet) {
        var params = applet.getElementsByTagName('param');
        for (var i = 0; i < params.length; i++) {
            var name = params[i].getAttribute('name');
            if (name && name.toLowerCase() === 'moves')
                return params[i].getAttribute('value');
        }
        return null;
    }

    function moveFromHash() {
        var m = /^#(\d{1,9})$/.exec(location.hash);
        return m ? parseInt(m[1], 10) : null;
    }

    function addStyle() {
        if (document.getElementById('tervanil-viewer-style'))
            return;
        var style = document.createElement('style');
        style.id = 'tervanil-viewer-style';
        style.textContent = STYLE;
        (document.head || document.documentElement).appendChild(style);
    }

    function start(script) {
        var applet = script.closest('applet');
        var fallback = applet ? applet.querySelector('.tervanil-fallback') : null;
        var notice = function (text) {
            addStyle();
            var p = element('p', 'tervanil-viewer-notice', text);
            if (fallback)
                fallback.appendChild(p);
            else
                script.parentNode.insertBefore(p, script);
        };
        var game;
        try {
            var record = applet ? findRecord(applet) : null;
            if (record === null)
                throw new SgfError('the page holds no record');
            game = new Game(parseSgf(record));
        } catch (e) {
            notice('The replay is not available: ' +
                   (e instanceof SgfError ? e.message : 'the record could not be read') + '.');
            return;
        }
        var view;
        try {
            addStyle();
            view = new View(game, fallback);
            if (game.settings.openAtEnd)
                view.replay.end();
            var linked = moveFromHash();
            if (linked !== null) {
                view.replay.goToMove(linked);
                view.opening = false;
            }
            view.render();
            if (fallback)
                fallback.parentNode.replaceChild(view.element, fallback);
            else
                script.parentNode.insertBefore(view.element, script);
        } catch (e) {
            notice('The replay is not available: the viewer could not draw this record.');
            return;
        }
        var keys = {
            ArrowLeft: ['back', 1],
            ArrowRight: ['forward', 1],
            PageUp: ['back', 10],
            PageDown: ['forward', 10],
            Home: ['home'],
            End: ['end']
        };
        document.addEventListener('keydown', function (event) {
            if (event.altKey || event.ctrlKey || event.metaKey || event.defaultPrevented)
                return;
            var target = event.target;
            var tag = target && target.tagName ? target.tagName.toLowerCase() : '';
            if (tag === 'input' || tag === 'textarea' || tag === 'select' ||
                (target && target.isContentEditable))
                return;
            var action = keys[event.key];
            if (!action)
                return;
            event.preventDefault();
            view.guard(function () {
                view.navigate(action[0], action[1]);
            });
        });
        window.addEventListener('hashchange', function () {
            var linked = moveFromHash();
            if (linked !== null && linked !== view.replay.moveNumber())
                view.guard(function () {
                    view.goToMove(linked);
                });
        });
    }

    if (typeof module !== 'undefined' && module.exports)
        module.exports = api;
    if (typeof document !== 'undefined' && document.currentScript) {
        try {
            start(document.currentScript);
        } catch (e) {
            // Nothing reaches the console: the page keeps its diagram.
        }
    }
})();
