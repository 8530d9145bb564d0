# Install step of the release: signs the installed orvane.exe when a code-signing certificate is given
# in the environment (scripts/sign.sh), so the zip CPack makes from the staged files holds the signed
# program. The stripped program in the build tree is never signed, and without a certificate nothing
# changes. A certificate that cannot sign stops the packaging: no unsigned zip when a signed one was
# asked for.
if(NOT "$ENV{ORVANE_SIGN_PFX}" STREQUAL "")
  execute_process(
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/../scripts/sign.sh "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/orvane.exe"
    RESULT_VARIABLE signed)
  if(NOT signed EQUAL 0)
    message(FATAL_ERROR "orvane.exe could not be signed with $ENV{ORVANE_SIGN_PFX}")
  endif()
endif()
