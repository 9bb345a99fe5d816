# Each library sees the headers of itself and of the libraries it links, and nothing else.
#
# Headers are included by folder ("link/SerialPort.h"). Instead of one include path for the
# whole tree, every library gets an include root of its own that holds a single link, named
# after the library's folder, to that folder. A library that includes "app/MainWindow.h"
# without linking kora_app therefore fails to compile, which keeps the subsystems from
# reaching into the application (and into each other) behind the dependency graph's back.
function(kora_headers target)
  get_filename_component(folder "${CMAKE_CURRENT_SOURCE_DIR}" NAME)
  set(root "${PROJECT_BINARY_DIR}/include/${target}")
  file(MAKE_DIRECTORY "${root}")
  if(NOT EXISTS "${root}/${folder}")
    file(CREATE_LINK "${CMAKE_CURRENT_SOURCE_DIR}" "${root}/${folder}" SYMBOLIC)
  endif()
  target_include_directories(${target} PUBLIC "${root}")
endfunction()
