// Gameplay links with GameState's own library and a platform backend, without the
// shell: the libraries form a line (state <- gameplay <- shell). A throw on the bare
// state, then one frame's updates, reach every gameplay file.
#include <gtest/gtest.h>

#include "gameplay/player_figure.h"
#include "gameplay/shots.h"
#include "gameplay/targets.h"
#include "shell/game_state.h"

using namespace skarvo;

TEST(GameplayAlone, ThrowsAndUpdatesOnTheBareState) {
    PlayerRecord player(nullptr);
    playerReset(player);
    game.playerRecord = &player;
    targetSpawn(targets[0], nullptr);
    throwObject(player);
    game.clockMs = 1000;
    game.frameMs = 10;
    const float thrownX = shots[1].posX;
    playerUpdate(player);
    for (EntityRecord& shot : shots) shotUpdate(shot);
    for (EntityRecord& target : targets) targetUpdate(target);
    EXPECT_EQ(game.shotCounter, 1);
    EXPECT_EQ(shots[1].health, 1);
    EXPECT_GT(shots[1].posX, thrownX);
}
