# The page's examples row from the guide's recipes (included at configure
# time by src/main/CMakeLists.txt): for every recipe of ${recipes} a button
# named by its "button" line that holds the fields it types, one a line:
# the count, the terms f and g of each pair, the range. Sets PUNKT_EXAMPLES.
# A recipe without a button fails the build, so the row offers the whole
# gallery.
file(STRINGS ${recipes} lines ENCODING UTF-8)
set(PUNKT_EXAMPLES "")
set(name "")

# Text as it may stand in HTML, in an attribute's double quotes too.
function(escape_html text out)
  string(REPLACE "&" "&amp;" text "${text}")
  string(REPLACE "<" "&lt;" text "${text}")
  string(REPLACE ">" "&gt;" text "${text}")
  string(REPLACE "\"" "&quot;" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# The button of the recipe read so far, if any.
macro(finish_recipe)
  if(name)
    if(button STREQUAL "")
      message(FATAL_ERROR "${recipes}: the recipe \"${name}\" has no \"button\" line")
    endif()
    string(APPEND PUNKT_EXAMPLES "<button type=\"button\" "
      "data-keys=\"${count}${terms}&#10;${range}\" disabled>${button}</button>\n")
  endif()
  set(name "")
endmacro()

foreach(line IN LISTS lines)
  if(line MATCHES "^#")
    continue()
  endif()
  if(NOT line MATCHES "^([a-z]+): (.*)$")
    continue()
  endif()
  set(key ${CMAKE_MATCH_1})
  escape_html("${CMAKE_MATCH_2}" value)
  if(key STREQUAL "name")
    finish_recipe()
    set(name "${value}")
    set(button "")
    set(count "")
    set(terms "")
    set(range "")
  elseif(key MATCHES "^(button|count|range)$")
    set(${key} "${value}")
  elseif(key MATCHES "^(f|g)$")
    string(APPEND terms "&#10;${value}")
  endif()
endforeach()
finish_recipe()
