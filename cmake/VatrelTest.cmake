# SPDX-License-Identifier: GPL-3.0-or-later
# vatrel_add_test(NAME <name> SOURCES <files...> LIBS <libs...> LABEL unit|gui|e2e [TIMEOUT s])
# One QtTest executable per area. Every test runs with a pinned locale; gui and e2e tests
# run on the offscreen platform so no display is needed.
function(vatrel_add_test)
  cmake_parse_arguments(T "" "NAME;LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE Qt6::Test ${T_LIBS})
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR})
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set(env "LANG=C.UTF-8" "LC_ALL=C.UTF-8" "TZ=Europe/Moscow" "QT_QPA_PLATFORM=offscreen")
  set_tests_properties(${T_NAME} PROPERTIES LABELS ${T_LABEL} TIMEOUT ${T_TIMEOUT}
                       ENVIRONMENT "${env}")
endfunction()
