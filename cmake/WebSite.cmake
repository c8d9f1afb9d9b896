# The page: the web platform backend, the main WebAssembly module and the site folder.
