# Matrices and our own sine and cosine.
skarvo_test(math_tests SOURCES math_matrix.cpp math_trig.cpp LIBS skarvo_math)
