# Writes the page (cmake -P, after every link of the program): index.html
# with the program's script put in place of its marker, so that the page
# needs only the wasm besides itself before the title.
#   -DSCRIPT=punktmuster.js -DTEMPLATE=index.html -DOUT=the page to write
file(READ "${TEMPLATE}" page)
file(READ "${SCRIPT}" script)
set(marker "@PUNKT_PROGRAM@")
string(FIND "${page}" "${marker}" at)
if(at LESS 0)
  message(FATAL_ERROR "${TEMPLATE}: no ${marker}")
endif()
# The script stands inside <script>...</script>: it must not end the element
# itself, nor begin a comment that would hide the end.
string(TOLOWER "${script}" lower)
foreach(breaking "</script" "<!--")
  string(FIND "${lower}" "${breaking}" found)
  if(found GREATER_EQUAL 0)
    message(FATAL_ERROR "${SCRIPT} holds ${breaking}, which would break the page")
  endif()
endforeach()
string(REPLACE "${marker}" "${script}" page "${page}")
file(WRITE "${OUT}" "${page}")
