file(REMOVE_RECURSE ${STAGE})
execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${STAGE} ${CMAKE_COMMAND} --install ${BUILD_DIR}
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "install failed: ${rc}")
endif()
set(root ${STAGE}${PREFIX})
set(files ${BINDIR}/orvanta-cli
          ${DATADIR}/orvanta/help/index.html
          ${DATADIR}/applications/org.example.Orvanta.desktop
          ${DATADIR}/metainfo/org.example.Orvanta.metainfo.xml
          ${DATADIR}/icons/hicolor/scalable/apps/org.example.Orvanta.svg
          ${DATADIR}/icons/hicolor/48x48/apps/org.example.Orvanta.png
          ${DATADIR}/icons/hicolor/16x16/apps/org.example.Orvanta.png
          ${DATADIR}/bash-completion/completions/orvanta-cli
          ${DATADIR}/zsh/vendor-completions/_orvanta-cli
          ${DATADIR}/fish/vendor_completions.d/orvanta-cli.fish
          ${DATADIR}/doc/orvanta/copyright
          ${DATADIR}/doc/orvanta/changelog.gz
          share/man/man1/orvanta-cli.1.gz)
if(WITH_GUI)
  list(APPEND files ${BINDIR}/orvanta ${LIBDIR}/orvanta/plugins/liborvanta_webpreview.so
                    ${LIBDIR}/orvanta/plugins/liborvanta_history.so
                    share/man/man1/orvanta.1.gz)
endif()
foreach(f ${files})
  if(NOT EXISTS ${root}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()

execute_process(COMMAND ${root}/${BINDIR}/orvanta-cli generate -a image --link
                RESULT_VARIABLE rc OUTPUT_VARIABLE out)
if(NOT rc EQUAL 0 OR NOT out MATCHES "gobutton.gif")
  message(FATAL_ERROR "installed orvanta-cli failed (${rc}): ${out}")
endif()

# The bash completion offers the generate options and the trigger words.
find_program(bash bash)
if(bash)
  execute_process(COMMAND ${bash} -c
    "source '${root}/${DATADIR}/bash-completion/completions/orvanta-cli'
     COMP_WORDS=(orvanta-cli generate --trigger m); COMP_CWORD=3; _orvanta_cli
     echo \"\${COMPREPLY[*]}\""
    OUTPUT_VARIABLE out RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0 OR NOT out MATCHES "^mouseover")
    message(FATAL_ERROR "bash completion gave: ${out}")
  endif()
endif()

# The desktop metadata must pass the freedesktop validators where they exist.
find_program(appstreamcli appstreamcli)
if(appstreamcli)
  execute_process(COMMAND ${appstreamcli} validate --no-net --pedantic
                          ${root}/${DATADIR}/metainfo/org.example.Orvanta.metainfo.xml
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "AppStream data does not validate:\n${out}")
  endif()
endif()
find_program(desktop_validate desktop-file-validate)
if(desktop_validate)
  execute_process(COMMAND ${desktop_validate}
                          ${root}/${DATADIR}/applications/org.example.Orvanta.desktop
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "desktop entry does not validate:\n${out}")
  endif()
endif()
