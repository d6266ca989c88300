# The Qt-free pass-file writer.
station_logic_library(orlix_passfiles
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/PassFileWriter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PassFileWriter.h
  DEPENDS
    orlix_core
)
