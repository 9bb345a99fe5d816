# Precompiled headers: the Qt and standard headers nearly every file includes, and gtest for the
# tests. Parsing them is most of the compile time of a Qt file in a Debug build, so each build
# tree compiles them once per kind of target and every target of that kind reuses the result.
#
# GCC takes a precompiled header only if the macros defined on the command line that the header
# looks at are the same, so the targets are sorted by what their compile reaches: Qt Widgets or
# Qt Core alone, each with or without gtest. A target without Qt gets none. Should a target not
# fit its kind after all, the build says so (-Winvalid-pch, an error with -Werror) rather than
# building something else.
#
# The headers come in through a forced include: a file that forgets to include a Qt header it
# uses still compiles here. A build with -DKORA_PCH=OFF finds such a file.
#
# ccache caches these compiles only with the sloppiness set below (see kora_pch_launcher).
option(KORA_PCH "Precompile the Qt and gtest headers (GCC only)" ON)

set(_kora_pch_std <algorithm> <array> <chrono> <cstdint> <functional> <map> <memory> <optional>
                  <string> <string_view> <utility> <vector>)
set(_kora_pch_core <QtCore/QObject> <QtCore/QString> <QtCore/QStringList> <QtCore/QByteArray>
                   <QtCore/QList> <QtCore/QTimer> <QtCore/QDir> <QtCore/QFileInfo>
                   <QtCore/QCoreApplication>)
set(_kora_pch_widgets <QtWidgets/QApplication> <QtWidgets/QWidget> <QtWidgets/QDialog>
                      <QtWidgets/QMainWindow> <QtWidgets/QLabel> <QtWidgets/QPushButton>
                      <QtWidgets/QToolButton> <QtWidgets/QComboBox> <QtWidgets/QMenu>
                      <QtWidgets/QTreeView> <QtWidgets/QHeaderView> <QtWidgets/QPlainTextEdit>
                      <QtWidgets/QMessageBox>)

# The compile launcher: ccache with the sloppiness precompiled headers need (the header is
# rebuilt in the same build, so its time stamps are always "too new").
function(kora_pch_launcher ccache out)
  if(KORA_PCH AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    set(${out} /usr/bin/env
        CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
        ${ccache} PARENT_SCOPE)
  else()
    set(${out} ${ccache} PARENT_SCOPE)
  endif()
endfunction()

# The libraries whose usage requirements reach target's compile: its own links, and then only
# what those pass on for compiling (a static library's private links come as $<LINK_ONLY:...>
# and bring no macros).
function(_kora_compile_reach target out)
  get_target_property(type ${target} TYPE)
  set(pending)
  if(NOT type STREQUAL "INTERFACE_LIBRARY")
    get_target_property(own ${target} LINK_LIBRARIES)
    if(own)
      list(APPEND pending ${own})
    endif()
  endif()
  set(seen)
  while(pending)
    list(POP_FRONT pending item)
    if(item MATCHES "^\\$<LINK_ONLY:" OR item IN_LIST seen)
      continue()
    endif()
    list(APPEND seen ${item})
    if(TARGET ${item})
      get_target_property(passed ${item} INTERFACE_LINK_LIBRARIES)
      if(passed)
        list(APPEND pending ${passed})
      endif()
    endif()
  endwhile()
  set(${out} ${seen} PARENT_SCOPE)
endfunction()

function(_kora_all_targets dir out)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS subdirs)
    _kora_all_targets(${sub} more)
    list(APPEND targets ${more})
  endforeach()
  set(${out} ${targets} PARENT_SCOPE)
endfunction()

# Call once, after every target is defined.
function(kora_precompile_headers)
  if(NOT KORA_PCH OR NOT CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    return()
  endif()
  set(donor_dir ${PROJECT_BINARY_DIR}/pch)
  file(WRITE ${donor_dir}/Empty.cpp "// Compiles the precompiled header of its kind.\n")
  # The test kinds exist only where gtest does (run.sh builds without the tests).
  set(kinds core widgets)
  if(TARGET GTest::gtest)
    list(APPEND kinds core_test widgets_test)
  endif()
  foreach(kind IN LISTS kinds)
    add_library(kora_pch_${kind} OBJECT ${donor_dir}/Empty.cpp)
    set(headers ${_kora_pch_std} ${_kora_pch_core})
    target_link_libraries(kora_pch_${kind} PRIVATE Qt6::Core)
    if(kind MATCHES "^widgets")
      list(APPEND headers ${_kora_pch_widgets})
      target_link_libraries(kora_pch_${kind} PRIVATE Qt6::Widgets)
    endif()
    if(kind MATCHES "_test$")
      list(APPEND headers <gtest/gtest.h>)
      target_link_libraries(kora_pch_${kind} PRIVATE GTest::gtest)
    endif()
    set_target_properties(kora_pch_${kind} PROPERTIES AUTOMOC OFF)
    target_precompile_headers(kora_pch_${kind} PRIVATE ${headers})
  endforeach()

  _kora_all_targets(${PROJECT_SOURCE_DIR} targets)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(target MATCHES "^kora_pch_" OR
       NOT type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|OBJECT_LIBRARY)$")
      continue()
    endif()
    _kora_compile_reach(${target} reach)
    set(kind)
    if(reach MATCHES "Qt6::Widgets")
      set(kind widgets)
    elseif(reach MATCHES "Qt6::Core")
      set(kind core)
    else()
      continue()
    endif()
    if(reach MATCHES "GTest::")
      string(APPEND kind _test)
    endif()
    target_precompile_headers(${target} REUSE_FROM kora_pch_${kind})
  endforeach()
endfunction()
