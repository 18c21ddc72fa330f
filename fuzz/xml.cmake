# CXmlDocument: LoadText of arbitrary text, then the report writer's kind of edits.
varo_add_fuzzer(fuzz_xml
    SOURCES ${CMAKE_SOURCE_DIR}/fuzz/fuzz_xml.cpp
            ${CMAKE_SOURCE_DIR}/viewer/xml/XmlDocument.cpp
            ${CMAKE_SOURCE_DIR}/viewer/xml/TextBuffer.cpp
            ${CMAKE_SOURCE_DIR}/viewer/xml/LeadByte.cpp)
target_include_directories(fuzz_xml PRIVATE ${CMAKE_SOURCE_DIR}/viewer/xml)
