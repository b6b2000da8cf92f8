# Writes the page's service worker (cmake -P, after every build of the site):
# service_worker.js with the files it keeps, each with its SHA-256 as a
# subresource integrity value ("sha256-" and the hash in base64), so that the
# worker takes only this build's files; and a build hash made of them and of
# the worker's own template, so that the cache's name changes with every
# build whose files or worker differ: an install that fails deletes its own
# cache, never the one the worker before it serves from.
#   -DSITE=folder of the site -DFILES=name,name,... -DTEMPLATE=service_worker.js
#   -DOUT=the service worker to write
string(REPLACE "," ";" files "${FILES}")

set(kBase64 "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/")

# The bytes written as hex digits, in base64 with its padding.
function(hex_to_base64 hex out)
  string(LENGTH "${hex}" digits)
  set(text "")
  set(at 0)
  while(at LESS digits)
    # Three bytes (six hex digits) give four characters; a last group of one
    # or two bytes is filled with zero bits and padded with "=".
    math(EXPR left "${digits} - ${at}")
    if(left GREATER 6)
      set(left 6)
    endif()
    string(SUBSTRING "${hex}" ${at} ${left} group)
    math(EXPR missing "6 - ${left}")
    string(REPEAT "0" ${missing} zeros)
    math(EXPR bits "0x${group}${zeros}")
    math(EXPR shown "${left} / 2 + 1")
    foreach(shift 18 12 6 0)
      if(shown GREATER 0)
        math(EXPR index "(${bits} >> ${shift}) & 63")
        string(SUBSTRING "${kBase64}" ${index} 1 c)
        string(APPEND text "${c}")
        math(EXPR shown "${shown} - 1")
      else()
        string(APPEND text "=")
      endif()
    endforeach()
    math(EXPR at "${at} + 6")
  endwhile()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

set(hashes "")
set(entries "")
foreach(file IN LISTS files)
  file(SHA256 "${SITE}/${file}" hash)
  string(APPEND hashes "${file} ${hash}\n")
  hex_to_base64("${hash}" integrity)
  list(APPEND entries "['${file}', 'sha256-${integrity}']")
  # The page's own address is its index.html.
  if(file STREQUAL "index.html")
    list(PREPEND entries "['./', 'sha256-${integrity}']")
  endif()
endforeach()
file(SHA256 "${TEMPLATE}" hash)
string(APPEND hashes "service worker ${hash}\n")
string(SHA256 hash "${hashes}")
string(SUBSTRING "${hash}" 0 16 PUNKT_CACHE_HASH)
list(JOIN entries ",\n  " PUNKT_CACHED_FILES)
configure_file("${TEMPLATE}" "${OUT}" @ONLY)
