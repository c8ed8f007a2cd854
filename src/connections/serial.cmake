#Serial ports : the termios port shim, the driver thread family with its reader,
#and COM port enumeration.
kestrelon_model_library(kserial SOURCES ${CMAKE_CURRENT_LIST_DIR} / DcbTermios.cpp ${CMAKE_CURRENT_LIST_DIR} /
                        TermiosRate.cpp ${CMAKE_CURRENT_LIST_DIR} / SerialPort.cpp ${CMAKE_CURRENT_LIST_DIR} /
                        FakeSerialPort.cpp ${CMAKE_CURRENT_LIST_DIR} / ComPortEnumerator.cpp ${CMAKE_CURRENT_LIST_DIR} /
                        ThreadDriver.cpp ${CMAKE_CURRENT_LIST_DIR} / ThreadCOMDriver.cpp ${CMAKE_CURRENT_LIST_DIR} /
                        KestronDriver.cpp ${CMAKE_CURRENT_LIST_DIR}/SerialWriter.cpp ${CMAKE_CURRENT_LIST_DIR}/WakeEvent.cpp DEPENDS kdoc kframework)
