# The Qt-free calibration: record and fit, the coefficients file and the points file.
station_logic_library(orlix_calibration
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/Poly3Fit.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Poly3Fit.h
    ${CMAKE_CURRENT_LIST_DIR}/Optim1.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Optim1.h
    ${CMAKE_CURRENT_LIST_DIR}/CalibrationText.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CalibrationText.h
    ${CMAKE_CURRENT_LIST_DIR}/CoefFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CoefFile.h
    ${CMAKE_CURRENT_LIST_DIR}/PointsFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PointsFile.h
  DEPENDS
    orlix_core
)
