# Precompiled headers: most of a translation unit's compile time here is
# spent parsing the standard library, GoogleTest and Qt, the same for every
# file. Each group of targets that share compile flags parses them once:
# the first target of a group builds the header, the others reuse it.
# QUORVANE_PCH=OFF builds without them, which shows a missing include.
# With them, GCC 12 reports -Warray-bounds inside std::string for a
# temporary string plus a literal (the inlined copy loses its system-header
# mark): build such strings by appending.
option(QUORVANE_PCH "Precompile the standard, GoogleTest and Qt headers" ON)

set(quorvane_pch_std
  <algorithm> <array> <chrono> <cmath> <cstddef> <cstdint> <cstdio> <cstdlib> <cstring>
  <filesystem> <functional> <limits> <map> <memory> <optional> <span> <string>
  <string_view> <utility> <vector>)
set(quorvane_pch_qt
  <QApplication> <QDialog> <QHBoxLayout> <QImage> <QLabel> <QPainter> <QPushButton>
  <QString> <QTabWidget> <QVBoxLayout> <QWidget>)

# quorvane_precompile(<target> <group> [OWN]): <group> is one of
#   std    the engine modules (the standard library)
#   tools  the tools, programs and benchmarks (the standard library, without
#          the fuzzing coverage the engine modules may have)
#   test   the engine's tests (GoogleTest and the standard library)
#   qt     the window (Qt Widgets and the standard library)
#   qttest the window's tests (all three)
# The first target given a group owns its header; OWN gives a target whose
# predefined macros differ (GCC refuses a header built without them) its own.
function(quorvane_precompile target group)
  if(NOT QUORVANE_PCH)
    return()
  endif()
  get_property(owner GLOBAL PROPERTY quorvane_pch_owner_${group})
  # Clang checks a header's time stamps against those the precompiled
  # header holds; one restored by ccache after the tree was configured
  # again (a new cmake_pch.hxx) would fail it.
  if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    target_compile_options(${target} PRIVATE "SHELL:-Xclang -fno-pch-timestamp")
  endif()
  if(owner AND NOT "OWN" IN_LIST ARGN)
    target_precompile_headers(${target} REUSE_FROM ${owner})
    return()
  endif()
  if(NOT owner)
    set_property(GLOBAL PROPERTY quorvane_pch_owner_${group} ${target})
  endif()
  if(group STREQUAL "std" OR group STREQUAL "tools")
    set(headers ${quorvane_pch_std})
  elseif(group STREQUAL "test")
    set(headers <gtest/gtest.h> ${quorvane_pch_std})
  elseif(group STREQUAL "qt")
    set(headers ${quorvane_pch_std} ${quorvane_pch_qt})
  elseif(group STREQUAL "qttest")
    set(headers <gtest/gtest.h> ${quorvane_pch_std} ${quorvane_pch_qt} <QTest>)
  else()
    message(FATAL_ERROR "quorvane_precompile: unknown group ${group}")
  endif()
  target_precompile_headers(${target} PRIVATE ${headers})
endfunction()
