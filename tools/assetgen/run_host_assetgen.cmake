# Runs the build host's orvane-assetgen into the Windows run folder, or explains how to get it.
if(NOT EXISTS "${TOOL}")
  message(FATAL_ERROR "orvane-assetgen for the build host not found at '${TOOL}'.\n"
    "The Windows build takes its artwork from the Linux build's generator: build the linux preset "
    "first (cmake --preset linux && cmake --build --preset linux --target orvane-assetgen), "
    "or configure this build with -DORVANE_HOST_ASSETGEN=/path/to/orvane-assetgen.")
endif()
execute_process(COMMAND "${TOOL}" --out "${OUT}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "orvane-assetgen failed (${rc})")
endif()
