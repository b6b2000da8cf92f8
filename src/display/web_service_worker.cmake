# Writes the page's service worker (cmake -P, after every build of the site):
# web_service_worker.js with the files it keeps and a cache name made of a
# hash of their contents, so that the name changes with every build whose
# files differ.
#   -DSITE=folder of the site -DFILES=name,name,... -DTEMPLATE=web_service_worker.js
#   -DOUT=the service worker to write
string(REPLACE "," ";" files "${FILES}")
set(hashes "")
set(quoted "")
foreach(file IN LISTS files)
  file(SHA256 "${SITE}/${file}" hash)
  string(APPEND hashes "${file} ${hash}\n")
  list(APPEND quoted "'${file}'")
endforeach()
string(SHA256 hash "${hashes}")
string(SUBSTRING "${hash}" 0 16 PUNKT_CACHE_HASH)
list(JOIN quoted ", " PUNKT_CACHED_FILES)
configure_file("${TEMPLATE}" "${OUT}" @ONLY)
