# Homebrew builds a formula with a dependency provider that refuses FetchContent: every
# dependency must be a formula of its own. The check's rehearsal of the formula does the same.
macro(refuse_fetch method name)
  message(FATAL_ERROR "Refusing to populate dependency '${name}' with FetchContent while building in Homebrew")
endmacro()
cmake_language(SET_DEPENDENCY_PROVIDER refuse_fetch SUPPORTED_METHODS FETCHCONTENT_MAKEAVAILABLE_SERIAL)
