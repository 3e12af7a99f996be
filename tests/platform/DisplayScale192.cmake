# One run of the scale test on a 192-dpi screen: the Wine prefix's LogPixels is 192 while it runs and is
# removed again whatever the outcome, so that every other test keeps Wine's default 96 dpi.
# -DRUN=<Wine wrapper> -DTEST=<test_platform.exe>
set(key "HKCU\\Control Panel\\Desktop")
execute_process(COMMAND ${RUN} reg add ${key} /v LogPixels /t REG_DWORD /d 192 /f
                RESULT_VARIABLE set_rc OUTPUT_QUIET ERROR_QUIET)
if(NOT set_rc EQUAL 0)
  message(FATAL_ERROR "could not set LogPixels (${set_rc})")
endif()
set(ENV{MARVO_EXPECTED_DISPLAY_SCALE} 2)
execute_process(COMMAND ${RUN} ${TEST} --gtest_filter=Win32Scale.* RESULT_VARIABLE rc)
execute_process(COMMAND ${RUN} reg delete ${key} /v LogPixels /f OUTPUT_QUIET ERROR_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the scale test at 192 dpi failed (${rc})")
endif()
