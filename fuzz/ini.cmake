# CIniFile: Load of arbitrary bytes, Save, Load again; the store must come back the same.
varo_add_fuzzer(fuzz_ini
    SOURCES ${CMAKE_SOURCE_DIR}/fuzz/fuzz_ini.cpp
    LIBS varo_ini)
