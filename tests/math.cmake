# Our own sine and cosine. (The matrices are pinned where the game uses them: the world
# transform in shell_tests, the sprite transforms in the drawing tests and the replays.)
skarvo_test(math_tests SOURCES math_trig.cpp LIBS skarvo_math)
