#pragma once
// Reads the game card of a record: the root node's properties and the length
// of the main line, in one pass over the text.

#include "code_page.h"
#include "game_card.h"

#include <string_view>

namespace tervanil {

/// The card of the first game tree of `record`, read in `codePage` unless its
/// root node names another code page this system knows (as the rework reads
/// it). The main line follows the first variation at every branching; its
/// moves are the nodes after the root that hold a B or W property. A record
/// without a game tree gives an empty card.
GameCard readGameCard(std::string_view record, CodePage codePage);

} // namespace tervanil
