// game_state.cpp — the one GameState, zero but `progress` (100).
#include "gameplay/game_state.h"

namespace skarvo {

GameState game;

}  // namespace skarvo
