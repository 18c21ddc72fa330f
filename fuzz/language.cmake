# The language packs' menu-template reader on arbitrary bytes, read back after writing.
varo_add_fuzzer(fuzz_language SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_language.cpp LIBS varo_menutemplate)
