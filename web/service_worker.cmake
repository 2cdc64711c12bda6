# Writes the service worker of one build (cmake -P): its cache is named after a hash of the build's
# files, so that any change to them gives a new worker, which replaces the old cache.
# Variables: OUT, the folder of the page; TEMPLATE, sw.js.in.
set(stamp_input "")
foreach(file index.html brinvale.js brinvale.wasm brinvale.data manifest.webmanifest icon-192.png icon-512.png)
  file(SHA256 ${OUT}/${file} hash)
  string(APPEND stamp_input "${hash}\n")
endforeach()
string(SHA256 stamp "${stamp_input}")
string(SUBSTRING ${stamp} 0 16 BRINVALE_WEB_STAMP)
configure_file(${TEMPLATE} ${OUT}/sw.js @ONLY)
