# Custom UI documents of add-ins on arbitrary bytes: refused with a position or read into a model
# that keeps its promises; no crash, no hang, no sanitizer report. The reader's sources are
# compiled into the target for coverage.
set(_ribbon_dir ${CMAKE_SOURCE_DIR}/substitute/outlook/ribbon)
varo_add_fuzzer(fuzz_customui SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_customui.cpp
    ${_ribbon_dir}/XmlReader.cpp ${_ribbon_dir}/CustomUi.cpp)
target_include_directories(fuzz_customui PRIVATE ${_ribbon_dir})
