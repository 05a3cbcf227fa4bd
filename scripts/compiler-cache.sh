# Sourced by the build scripts: compile through ccache when it is there, so a
# second build of the same sources (another build folder, a fresh checkout in
# another place, CI's sanitizer build of unchanged files) reuses the objects.
# A caller that chose a launcher keeps it.
if command -v ccache >/dev/null 2>&1; then
  export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}
  export CMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER:-ccache}
  # Paths below the checkout are hashed relative to it, so checkouts in
  # different places share the cache.
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root}
  export CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
fi
