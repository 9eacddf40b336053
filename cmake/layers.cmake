# A program links only the layers it uses: the libraries
# behind the folders its files include (shell -> orvane_app, pfd -> orvane_pfd, render -> orvane_render, sources ->
# orvane_sources, model -> orvane_model, simdata -> orvane_simdata, server -> orvane_server_core,
# platform -> orvane_platform; platform/window.h, dialogs.h, gl.h and platform.h -> orvane_display) and,
# for tests, the support libraries whose headers it includes (support/x.h -> orvane_test_x);
# <asio.hpp> -> orvane_asio.
# `cmake --graphviz=layers.dot build/linux` draws what each links.
set(ORVANE_LAYER_shell orvane_app)
set(ORVANE_LAYER_pfd orvane_pfd)
set(ORVANE_LAYER_render orvane_render)
set(ORVANE_LAYER_sources orvane_sources)
set(ORVANE_LAYER_model orvane_model)
set(ORVANE_LAYER_simdata orvane_simdata)
set(ORVANE_LAYER_server orvane_server_core)
set(ORVANE_LAYER_platform orvane_platform)
# The display half of the platform layer (windows, GL, dialogs): by header.
foreach(stem window dialogs gl platform)
  set(ORVANE_LAYER_platform_${stem} orvane_display)
endforeach()
# orvane_libraries_included(<files> <out>): the libraries the files' includes name.
function(orvane_libraries_included files out)
  set(libs "")
  foreach(file ${files})
    if(NOT EXISTS ${file})
      continue()
    endif()
    file(STRINGS ${file} asio REGEX "^#include <asio\\.hpp>")
    if(asio)
      list(APPEND libs orvane_asio)
    endif()
    file(STRINGS ${file} includes REGEX "^#include \"[a-z_]+/[a-z_]+\\.h\"")
    foreach(line ${includes})
      string(REGEX REPLACE "^#include \"([a-z_]+)/([a-z_]+)\\.h\".*" "\\1;\\2" parts "${line}")
      list(GET parts 0 folder)
      list(GET parts 1 stem)
      if(folder STREQUAL "support")
        list(APPEND libs orvane_test_${stem})
      elseif(DEFINED ORVANE_LAYER_${folder}_${stem} AND TARGET ${ORVANE_LAYER_${folder}_${stem}})
        list(APPEND libs ${ORVANE_LAYER_${folder}_${stem}})
      elseif(DEFINED ORVANE_LAYER_${folder} AND TARGET ${ORVANE_LAYER_${folder}})
        list(APPEND libs ${ORVANE_LAYER_${folder}})
      endif()
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES libs)
  set(${out} ${libs} PARENT_SCOPE)
endfunction()

