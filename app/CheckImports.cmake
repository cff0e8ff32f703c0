# cmake -DOBJDUMP=<objdump> -DEXE=<file> -P CheckImports.cmake
# The loader resolves static imports before any code runs, searching the executable's folder first
# for DLLs that are not known system DLLs. These must therefore be loaded at run time instead.
cmake_minimum_required(VERSION 3.25)
set(forbidden setupapi.dll newdev.dll comctl32.dll version.dll)

execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE headers RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "objdump could not read ${EXE}")
endif()
string(REGEX MATCHALL "DLL Name: [^\r\n]+" imports "${headers}")
set(names)
foreach(line IN LISTS imports)
  string(REPLACE "DLL Name: " "" name "${line}")
  string(TOLOWER "${name}" name)
  list(APPEND names ${name})
endforeach()
foreach(dll IN LISTS forbidden)
  if(dll IN_LIST names)
    message(FATAL_ERROR "${EXE} imports ${dll} statically (imports: ${names})")
  endif()
endforeach()
