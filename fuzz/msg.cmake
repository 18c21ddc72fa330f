# The .msg reader over the pure compound-file reader on arbitrary bytes: no crash, no hang, no
# sanitizer report. The reader's sources are compiled into the target for coverage.
set(_msg_dir ${CMAKE_SOURCE_DIR}/substitute/outlook/mail)
varo_add_fuzzer(fuzz_msg SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_msg.cpp
    ${_msg_dir}/Charset.cpp ${_msg_dir}/CompoundFile.cpp ${_msg_dir}/MailNames.cpp ${_msg_dir}/MimeCodec.cpp
    ${_msg_dir}/MsgModel.cpp
    LIBS varo_text)
target_include_directories(fuzz_msg PRIVATE ${_msg_dir})
