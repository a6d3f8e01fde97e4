#include "card_reader.h"

#include "sgf_scanner.h"

#include <optional>

namespace tervanil {
namespace {

bool isUpperLetter(char c) {
    return c >= 'A' && c <= 'Z';
}

// Where the root property's value goes on the card; null for the others.
std::string* cardField(GameCard& card, std::string_view id, std::string& gameName,
                       std::string& charset) {
    if (id == "EV")
        return &card.event;
    if (id == "GN")
        return &gameName;
    if (id == "PB")
        return &card.black;
    if (id == "BR")
        return &card.blackRank;
    if (id == "PW")
        return &card.white;
    if (id == "WR")
        return &card.whiteRank;
    if (id == "RE")
        return &card.result;
    if (id == "DT")
        return &card.date;
    if (id == "KM")
        return &card.komi;
    if (id == "HA")
        return &card.handicap;
    if (id == "C")
        return &card.rootComment;
    if (id == "CA")
        return &charset;
    return nullptr;
}

struct Reading {
    GameCard card;
    std::string charset; // what the root's CA names
};

Reading read(std::string_view record, CodePage codePage) {
    Reading reading;
    std::string gameName;
    SgfScanner scanner(codePage);
    bool inTree = false; // past the opening "("
    size_t nodes = 0;    // nodes of the main line met so far; the root is the first
    bool nodeHasMove = false;
    std::string id;               // the identifier of the property being read
    bool afterValue = false;      // a value closed since the identifier began
    bool firstValue = true;       // list values after the first are not kept
    std::string* field = nullptr; // where the open value goes, if kept
    bool escaped = false, trail = false;
    const auto endNode = [&] {
        if (nodes > 1 && nodeHasMove)
            ++reading.card.moves;
        nodeHasMove = false;
    };
    for (size_t i = 0; i < record.size(); ++i) {
        const char c = record[i];
        const ByteRole role = scanner.step(static_cast<unsigned char>(c));
        if (role == ByteRole::Inside) {
            if (field == nullptr)
                continue;
            const bool lead = isLeadByte(codePage, static_cast<unsigned char>(c));
            if (trail) {
                trail = false;
            } else if (escaped) {
                escaped = false;
                // An escaped line break is no part of the text.
                if (c == '\n' || c == '\r') {
                    if (c == '\r' && i + 1 < record.size() && record[i + 1] == '\n')
                        scanner.step(static_cast<unsigned char>(record[++i]));
                    continue;
                }
                trail = lead;
            } else if (lead) {
                trail = true;
            } else if (c == '\\') {
                escaped = true;
                continue;
            } else if (c == ']') {
                field = nullptr;
                continue;
            }
            *field += c;
            continue;
        }
        if (role == ByteRole::ValueOpen) {
            if (inTree && nodes > 0) {
                if (id == "B" || id == "W")
                    nodeHasMove = true;
                field = nodes == 1 && firstValue
                            ? cardField(reading.card, id, gameName, reading.charset)
                            : nullptr;
                if (field != nullptr)
                    field->clear();
                escaped = trail = false;
            }
            firstValue = false;
            afterValue = true;
            continue;
        }
        if (role != ByteRole::Outside)
            continue;
        if (!inTree) {
            inTree = c == '(';
        } else if (c == ';') {
            endNode();
            ++nodes;
            id.clear();
            afterValue = false;
            firstValue = true;
        } else if (c == ')') {
            // The end of the first variation, or of the tree: either way the
            // main line is complete.
            break;
        } else if (isUpperLetter(c)) {
            if (afterValue)
                id.clear();
            afterValue = false;
            firstValue = true;
            id += c;
        }
        // "(" opens the first variation, which the main line reads on into.
    }
    endNode();
    if (reading.card.event.empty())
        reading.card.event = std::move(gameName);
    return reading;
}

} // namespace

GameCard readGameCard(std::string_view record, CodePage codePage) {
    Reading reading = read(record, codePage);
    const std::optional<CodePage> named = codePageNamed(reading.charset);
    if (named && *named != codePage)
        reading = read(record, *named);
    return std::move(reading.card);
}

} // namespace tervanil
