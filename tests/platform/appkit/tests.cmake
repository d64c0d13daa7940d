# The desktop layer's suite loads the web engine module from the build's bundle, and runs the
# bundle's sign-in window program.
if(TARGET appkit_tests)
  add_dependencies(appkit_tests morvex_webengine MorvexVPNSignIn)
endif()
