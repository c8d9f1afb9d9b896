# The sound of the page: the audio worklet's own WebAssembly module and the playback that follows it.
