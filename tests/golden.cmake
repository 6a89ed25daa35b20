# End-to-end cases of renps (tests/golden/<case>/: job.json, document*.ps,
# expected.prn), one CTest test each, the corpus of real documents, and
# renps's own unit tests, which drive the host's parts (renpshost) and the
# renps program. In the Windows build the cases run renps.exe under Wine
# and must give the same bytes.
if(TARGET renps)
  target_link_libraries(renps_tests PRIVATE renpshost)
  add_dependencies(renps_tests renps)
  find_program(RENPS_GHOSTSCRIPT gs)
  if(NOT RENPS_GHOSTSCRIPT)
    message(WARNING "Ghostscript (gs) not found: the golden tests will fail")
  endif()
  set(golden_environment "")
  if(WIN32)
    # The launcher (wine) and the same Wine prefix as the unit tests.
    string(REPLACE ";" " " launcher "${CMAKE_CROSSCOMPILING_EMULATOR}")
    set(golden_environment "RENPS_LAUNCHER=${launcher};WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix;WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml=")
  endif()
  file(GLOB RENPS_GOLDEN_CASES LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/golden/*)
  foreach(case_dir ${RENPS_GOLDEN_CASES})
    if(IS_DIRECTORY ${case_dir})
      get_filename_component(case_name ${case_dir} NAME)
      add_test(NAME golden.${case_name}
               COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/golden/run-golden.sh $<TARGET_FILE:renps> ${case_dir})
      # 77: the case cannot run on this platform (the script says why).
      set_tests_properties(golden.${case_name} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
      if(golden_environment)
        set_tests_properties(golden.${case_name} PROPERTIES ENVIRONMENT "${golden_environment}")
      endif()
    endif()
  endforeach()
  # Real documents made at test time from what the machine's packages bring
  # (groff, poppler, Ghostscript, enscript, psutils); 77 is a skip for a
  # missing tool. Native only: it starts renps dozens of times.
  if(NOT WIN32)
    add_test(NAME corpus COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/corpus/run-corpus.sh $<TARGET_FILE:renps>
                                 ${PROJECT_SOURCE_DIR}/examples)
    set_tests_properties(corpus PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 180)
  endif()
endif()
