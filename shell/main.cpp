// main.cpp — the game: start up, then frames for ever.
#include "shell/entry.h"

int main() {
    skarvo::startUp();
    for (;;) skarvo::runFrame();
}
