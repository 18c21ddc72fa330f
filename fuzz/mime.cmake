# ParseMimeMessage on arbitrary bytes: no crash, no hang, no sanitizer report. The reader's
# sources are compiled into the target so that libFuzzer sees their coverage.
set(_mime_dir ${CMAKE_SOURCE_DIR}/substitute/outlook/mail)
varo_add_fuzzer(fuzz_mime SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_mime.cpp
    ${_mime_dir}/Charset.cpp ${_mime_dir}/MailNames.cpp ${_mime_dir}/MimeCodec.cpp ${_mime_dir}/MimeReader.cpp
    LIBS varo_text)
target_include_directories(fuzz_mime PRIVATE ${_mime_dir})
