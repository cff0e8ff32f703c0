# cmake -DSOURCE_DIR=<tree> -P CheckLayers.cmake
# Fails when a source reaches a layer it must not: app/ -> ui/ -> install/ -> trace/, platform/.
# install/ and trace/ are portable and see Windows only through platform/PlatformTypes.h; platform/ never
# reaches the layers above it; the simulation and the Win32 backend never reach each other, and nothing
# that ships includes the simulation.
cmake_minimum_required(VERSION 3.25)
# The C library headers portable code may use; any other <*.h> is a platform header.
set(c_headers assert ctype errno limits stdarg stddef stdint stdio stdlib string wchar)
list(JOIN c_headers "|" c_headers)

# rule: folder (its own files only), then a regex of includes it must not have
set(rules
  "install|[\"<](ui|app|platform/(sim|win32))/"
  "trace|[\"<](ui|app|install|platform/(sim|win32))/"
  "platform|[\"<](ui|app|install|trace|platform/sim)/"
  "platform/win32|[\"<](ui|app|install|trace|platform/sim)/"
  "platform/sim|[\"<](ui|app|install|trace|platform/win32)/"
  "ui|[\"<](app|platform/sim)/"
  "app|[\"<]platform/sim/")
set(portable install trace)
set(broken)
foreach(rule IN LISTS rules)
  string(REPLACE "|" ";" rule "${rule}")
  list(POP_FRONT rule dir)
  list(JOIN rule "|" forbidden)
  file(GLOB files ${SOURCE_DIR}/${dir}/*.cpp ${SOURCE_DIR}/${dir}/*.h)
  foreach(file IN LISTS files)
    file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include")
    foreach(line IN LISTS includes)
      if(line MATCHES "${forbidden}")
        list(APPEND broken "${file}: ${line}")
      elseif(dir IN_LIST portable AND line MATCHES "<[^>]*\\.h>" AND NOT line MATCHES "<(${c_headers})\\.h>")
        list(APPEND broken "${file}: ${line} (a platform header: portable code reaches it through platform/PlatformTypes.h)")
      endif()
    endforeach()
  endforeach()
endforeach()
if(broken)
  list(JOIN broken "\n  " broken)
  message(FATAL_ERROR "Includes that cross the layers:\n  ${broken}")
endif()
