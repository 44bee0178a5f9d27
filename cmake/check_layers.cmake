# Fails when a source folder includes one above it. The folders form layers,
# lowest first; a file may include its own folder and the ones below it.
# Test support (testing/) is for tests and benchmarks only.
# Run as: cmake -DSOURCE_DIR=<src> -DSTAMP=<file> -P check_layers.cmake
set(layers platform cpc mesh render export sequence sprites objedit app cli gui)

file(GLOB_RECURSE files RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*.h" "${SOURCE_DIR}/*.cpp")
set(violations "")
foreach(file IN LISTS files)
  string(REGEX MATCH "^[^/]+" folder "${file}")
  list(FIND layers "${folder}" own_rank)
  if(own_rank EQUAL -1)
    continue()
  endif()
  string(REGEX MATCH "_(test|bench)\\.cpp$" is_test "${file}")
  file(STRINGS "${SOURCE_DIR}/${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^/\"]+/")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^/\"]+)/.*$" "\\1" target "${line}")
    if(target STREQUAL "testing")
      if(NOT is_test)
        string(APPEND violations "\n  ${file}: test support is for tests only (${line})")
      endif()
      continue()
    endif()
    list(FIND layers "${target}" target_rank)
    if(target_rank GREATER own_rank)
      string(APPEND violations "\n  ${file}: ${folder}/ must not include ${target}/ (${line})")
    endif()
  endforeach()
endforeach()

if(violations)
  list(JOIN layers ", " order)
  message(FATAL_ERROR "Layering broken; a folder may include only those listed before it "
                      "(${order}):${violations}")
endif()
file(WRITE "${STAMP}" "ok\n")
