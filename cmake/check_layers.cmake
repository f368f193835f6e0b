cmake_minimum_required(VERSION 3.25)

# The layering check: every quoted include of a file under SOURCE_DIR/<folder>
# names a header of its own folder or of a folder its layer may use (RULES_FILE,
# written by cmp_write_layer_rules). Fails listing every include that does not.
#   cmake -DSOURCE_DIR=<src> -DRULES_FILE=<rules> -P check_layers.cmake

include(${RULES_FILE})

# The layer folder a path under SOURCE_DIR belongs to: the longest that prefixes it.
function(layer_of path result)
  set(found "")
  foreach(folder IN LISTS CMP_LAYERS)
    string(LENGTH "${folder}/" length)
    string(SUBSTRING "${path}" 0 ${length} head)
    string(LENGTH "${found}" foundLength)
    if(head STREQUAL "${folder}/" AND length GREATER foundLength)
      set(found ${folder})
    endif()
  endforeach()
  set(${result} "${found}" PARENT_SCOPE)
endfunction()

set(violations "")
foreach(folder IN LISTS CMP_LAYERS)
  string(MAKE_C_IDENTIFIER "${folder}" id)
  set(allowed ${CMP_ALLOWS_${id}})
  file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/${folder}/*.h
       ${SOURCE_DIR}/${folder}/*.cpp)
  foreach(source IN LISTS sources)
    layer_of("${source}" owner)
    if(NOT owner STREQUAL folder)
      continue() # a nested layer's file, checked with its own rules
    endif()
    file(STRINGS ${SOURCE_DIR}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[^\"]*\"([^\"]*)\".*$" "\\1" header "${line}")
      if(NOT header MATCHES "/")
        continue() # beside the including file
      endif()
      layer_of("${header}" target)
      if(target STREQUAL "")
        string(APPEND violations "  ${source} includes ${header}, which is in no layer\n")
      elseif(NOT target IN_LIST allowed)
        list(JOIN allowed ", " allowedText)
        string(APPEND violations
               "  ${source} includes ${header}: ${folder} may include only ${allowedText}\n")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations)
  message(FATAL_ERROR "Includes that break the layers:\n${violations}")
endif()
