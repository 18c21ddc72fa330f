# Registration scripts of the add-in: parse arbitrary bytes, apply what parses to a memory registry.
varo_add_fuzzer(fuzz_regscript
    SOURCES ${CMAKE_SOURCE_DIR}/fuzz/fuzz_regscript.cpp
    LIBS varo_registrar)
