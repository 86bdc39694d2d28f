# tarovik.exe --self-check with its standard output in a file: the report line byte for byte,
# ended by one LF (a text-mode stream would write CR LF).
#   cmake -DEMULATOR=runner;args -DPROGRAM=tarovik.exe -DOUT=file -P self_check_line.cmake
execute_process(COMMAND ${EMULATOR} "${PROGRAM}" --self-check OUTPUT_FILE "${OUT}" ERROR_VARIABLE errors
                RESULT_VARIABLE status TIMEOUT 50)
file(READ "${OUT}" line)
file(READ "${OUT}" bytes HEX)
message(STATUS "exit status ${status}; report: ${line}")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the self-check failed: ${errors}")
endif()
if(NOT line MATCHES "^TAROVIK_WINDOWS_OK words=[0-9]+ assets=[0-9]+ studio_bytes=[0-9]+ top1=काठमाडौँ bypassed=false\n$")
  message(FATAL_ERROR "not one report line")
endif()
# Read as text, a CR before the LF would not show; the bytes tell.
if(NOT bytes MATCHES "66616c73650a$")  # "false" LF
  message(FATAL_ERROR "the line does not end in one LF: ...${bytes}")
endif()
