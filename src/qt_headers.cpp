// Holds the precompiled Qt headers that the libraries, the program and the tests reuse.
