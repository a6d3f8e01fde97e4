#pragma once
// What a record says about its game, for the card of a page and the run's
// index. Texts are the record's own bytes, in the code page it is read in, with
// SGF escapes resolved; an absent property is an empty text.

#include <cstddef>
#include <string>

namespace tervanil {

struct GameCard {
    std::string event; // EV, else GN
    std::string black, blackRank, white, whiteRank;
    std::string result, date, komi, handicap;
    std::string rootComment;
    std::size_t moves = 0; // the moves of the main line, passes included
};

} // namespace tervanil
