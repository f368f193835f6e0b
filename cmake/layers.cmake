# Each folder of src/ is one library, linking only the libraries of the
# folders the architecture lets it use. The same declaration says which
# folders its sources may include: the layering check, run before any
# library builds, fails the build on an include that breaks a rule.

set(CMP_LAYER_RULES_FILE ${CMAKE_BINARY_DIR}/layer_rules.cmake)

add_custom_target(cmp_layering
  COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR}/src
          -DRULES_FILE=${CMP_LAYER_RULES_FILE} -P ${CMAKE_SOURCE_DIR}/cmake/check_layers.cmake
  COMMENT "Checking that each folder includes only what its layer may use"
  VERBATIM)

# cmp_layer(<target> FOLDER <folder under src> [PUBLIC <layer targets>...]
#           [PRIVATE <layer targets>...])
# Links the target to the layers named and lets its folder include theirs.
function(cmp_layer target)
  cmake_parse_arguments(LAYER "" "FOLDER" "PUBLIC;PRIVATE" ${ARGN})
  set_target_properties(${target} PROPERTIES CMP_FOLDER ${LAYER_FOLDER})
  target_link_libraries(${target} PUBLIC ${LAYER_PUBLIC} PRIVATE ${LAYER_PRIVATE})
  set(allowed ${LAYER_FOLDER})
  foreach(layer IN LISTS LAYER_PUBLIC LAYER_PRIVATE)
    get_target_property(folder ${layer} CMP_FOLDER)
    if(NOT folder)
      message(FATAL_ERROR "${target} uses ${layer}, which is no layer declared before it")
    endif()
    list(APPEND allowed ${folder})
  endforeach()
  set_property(GLOBAL APPEND PROPERTY CMP_LAYERS "${LAYER_FOLDER}")
  set_property(GLOBAL PROPERTY CMP_LAYER_ALLOWS_${LAYER_FOLDER} "${allowed}")
  set_property(GLOBAL PROPERTY CMP_LAYER_TARGET_${LAYER_FOLDER} ${target})
  add_dependencies(${target} cmp_layering)
endfunction()

# Writes what the layering check reads; called once every layer is declared.
function(cmp_write_layer_rules)
  get_property(layers GLOBAL PROPERTY CMP_LAYERS)
  set(rules "set(CMP_LAYERS \"${layers}\")\n")
  foreach(folder IN LISTS layers)
    get_property(allowed GLOBAL PROPERTY CMP_LAYER_ALLOWS_${folder})
    string(MAKE_C_IDENTIFIER "${folder}" id)
    string(APPEND rules "set(CMP_ALLOWS_${id} \"${allowed}\")\n")
  endforeach()
  file(WRITE ${CMP_LAYER_RULES_FILE} "${rules}")
endfunction()
