# The JPEG header and EXIF reader with the pixel turns, and the PCX decoder, on arbitrary bytes.
varo_add_fuzzer(fuzz_exif SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_exif.cpp LIBS varo_pictures_core)
varo_add_fuzzer(fuzz_pcx SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_pcx.cpp LIBS varo_pictures_core)
