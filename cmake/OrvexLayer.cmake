# orvex_layer(NAME DEPENDS ...): a static library made of every .cpp in src/NAME.
# Globbing keeps a layer's file list in one place: its folder.
function(orvex_layer name)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp)
  if(sources)
    add_library(orvex_${name} STATIC ${sources})
    target_include_directories(orvex_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(orvex_${name} PUBLIC orvex_warnings ${ARG_DEPENDS})
  else()
    add_library(orvex_${name} INTERFACE)
    target_include_directories(orvex_${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(orvex_${name} INTERFACE orvex_warnings ${ARG_DEPENDS})
  endif()
endfunction()

# orvex_tests(NAME DEPENDS ... [EMULATOR PROGRAM]): one GoogleTest program of every .cpp in
# tests/NAME; with EMULATOR, its tests are listed and run through PROGRAM.
function(orvex_tests name)
  cmake_parse_arguments(ARG "" "EMULATOR" "DEPENDS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(orvex_${name}_tests ${sources})
  target_link_libraries(orvex_${name}_tests PRIVATE orvex_test_support ${ARG_DEPENDS}
    GTest::gtest_main GTest::gmock)
  target_compile_definitions(orvex_${name}_tests PRIVATE
    ORVEX_SOURCE_DIR="${PROJECT_SOURCE_DIR}" ORVEX_BINARY_DIR="${PROJECT_BINARY_DIR}")
  if(ARG_EMULATOR)
    set_target_properties(orvex_${name}_tests PROPERTIES CROSSCOMPILING_EMULATOR ${ARG_EMULATOR})
  endif()
  gtest_discover_tests(orvex_${name}_tests DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
