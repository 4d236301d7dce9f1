# vorma_library(<name> [LIBS ...])
# A static library from every source in the calling folder; an interface
# library while the folder has none yet.
function(vorma_library name)
  cmake_parse_arguments(ARG "" "" "LIBS;SOURCES" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS
       "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/*.h"
       "${CMAKE_CURRENT_SOURCE_DIR}/*.ui" "${CMAKE_CURRENT_SOURCE_DIR}/*.qrc")
  list(APPEND srcs ${ARG_SOURCES})
  set(has_cpp FALSE)
  foreach(s IN LISTS srcs)
    if(s MATCHES "\\.(cpp|c)$")
      set(has_cpp TRUE)
    endif()
  endforeach()
  if(has_cpp)
    add_library(${name} STATIC ${srcs})
    target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}/src")
    target_link_libraries(${name} PUBLIC ${ARG_LIBS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE "${PROJECT_SOURCE_DIR}/src")
    target_link_libraries(${name} INTERFACE ${ARG_LIBS})
  endif()
endfunction()

# vorma_tests(LIBS ...)
# Every tst_*.cpp in the calling folder becomes one QtTest executable and one
# CTest test of the same name.
function(vorma_tests)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/tst_*.cpp")
  foreach(t IN LISTS tests)
    get_filename_component(name "${t}" NAME_WE)
    vorma_test(${name} SOURCES "${t}" LIBS ${ARG_LIBS})
  endforeach()
endfunction()

# vorma_test(<name> SOURCES ... LIBS ...)
function(vorma_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE "${PROJECT_SOURCE_DIR}/tests")
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt5::Test)
  target_compile_definitions(${name} PRIVATE
    VORMA_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
  add_test(NAME ${name} COMMAND ${name})
  # No MIDI system unless a test installs one: tests never depend on the
  # machine's ports (the JACK adapter test opens its own).
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;VORMA_REALTIME=0;VORMA_MIDI_API=none"
    TIMEOUT 300)
  # The tests on the private JACK server take turns: a burst of ports coming
  # and going from several test programs at once makes the dummy server miss
  # cycles, and libjack can hang closing a client while notifications of
  # other clients' ports arrive.
  if(name MATCHES "jack$")
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK jack-server)
  endif()
endfunction()
