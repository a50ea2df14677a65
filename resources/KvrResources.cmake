# Pictures, translations and installation files of the player.
#
# Included from src/shell: the rules that make generated files must live in the same directory as
# the targets that use them.
#
#   kvr_add_shell_resources(<target>)  compiles the pictures and Qt's Chinese translation into
#                                      <target> (a static library passes them on to whatever links it)
#   kvrinstallfiles                    target that puts "ss.css", "config.ini", "configu.ini" and the
#                                      skin folder "images/bkimg", and the default album picture
#                                      "images/DefaultArtistrImg.png" beside the programs

set(KVR_RESOURCES_DIR ${CMAKE_CURRENT_LIST_DIR})

# Renders the SVG drawings; a build tool, so it stays out of the program folder.
add_executable(kvrsvgrender ${KVR_RESOURCES_DIR}/tools/kvrsvgrender.cpp)
target_link_libraries(kvrsvgrender PRIVATE Qt6::Core Qt6::Gui Qt6::Svg)
set_target_properties(kvrsvgrender PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/tools)
# A build tool, not the product: sanitizer builds must not stop on reports inside Qt's renderer.
target_compile_options(kvrsvgrender PRIVATE -fno-sanitize=all)
target_link_options(kvrsvgrender PRIVATE -fno-sanitize=all)

# Build tools built with the sanitizers must not fail the build over a leak report at exit.
set(KVR_TOOL_ENV ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0)

# Reads a picture manifest: sets <out_var> to the files it makes under <out_dir>.
function(kvr_manifest_outputs manifest out_dir out_var)
  file(STRINGS ${manifest} lines)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${manifest})
  set(outputs "")
  set(drawings "")
  foreach(line IN LISTS lines)
    string(STRIP "${line}" line)
    if(line STREQUAL "" OR line MATCHES "^#")
      continue()
    endif()
    string(REGEX REPLACE "[ \t]+" ";" fields "${line}")
    list(GET fields 0 svg)
    list(GET fields 1 out)
    list(APPEND drawings ${KVR_RESOURCES_DIR}/images/${svg})
    list(APPEND outputs ${out_dir}/${out})
    if(line MATCHES " hidpi")
      if(out MATCHES "^(.*)(\\.[^./]+)$")
        list(APPEND outputs ${out_dir}/${CMAKE_MATCH_1}@2x${CMAKE_MATCH_2})
      else()
        list(APPEND outputs ${out_dir}/${out}@2x)
      endif()
    endif()
  endforeach()
  list(REMOVE_DUPLICATES drawings)
  set(${out_var} ${outputs} PARENT_SCOPE)
  set(${out_var}_DRAWINGS ${drawings} PARENT_SCOPE)
endfunction()

function(kvr_add_shell_resources target)
  set(res ${CMAKE_CURRENT_BINARY_DIR}/res)

  kvr_manifest_outputs(${KVR_RESOURCES_DIR}/images/embedded.txt ${res} pictures)
  add_custom_command(
    OUTPUT ${pictures}
    COMMAND ${KVR_TOOL_ENV} $<TARGET_FILE:kvrsvgrender> ${KVR_RESOURCES_DIR}/images/embedded.txt
            ${KVR_RESOURCES_DIR}/images ${res}
    DEPENDS kvrsvgrender ${KVR_RESOURCES_DIR}/images/embedded.txt ${pictures_DRAWINGS}
    COMMENT "Rendering the embedded pictures"
    VERBATIM)

  # Qt's Chinese translation: "qt_zh_CN" is a catalogue that loads the listed modules' catalogues
  # from beside itself, so those are embedded next to it. Copied from the system at build time.
  set(qm_dir "")
  foreach(candidate ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_TRANSLATIONS} /usr/share/qt6/translations)
    if(EXISTS ${candidate}/qt_zh_CN.qm)
      set(qm_dir ${candidate})
      break()
    endif()
  endforeach()
  if(qm_dir STREQUAL "")
    message(FATAL_ERROR "Qt's Chinese translation (qt_zh_CN.qm) is missing: install qt6-translations-l10n")
  endif()
  set(translations ${res}/new/prefix1/qt_zh_CN)
  set(copies COMMAND ${CMAKE_COMMAND} -E copy ${qm_dir}/qt_zh_CN.qm ${res}/new/prefix1/qt_zh_CN)
  set(sources ${qm_dir}/qt_zh_CN.qm)
  foreach(module qtbase qtmultimedia)
    list(APPEND translations ${res}/new/prefix1/${module}_zh_CN.qm)
    list(APPEND copies COMMAND ${CMAKE_COMMAND} -E copy ${qm_dir}/${module}_zh_CN.qm ${res}/new/prefix1/)
    list(APPEND sources ${qm_dir}/${module}_zh_CN.qm)
  endforeach()
  add_custom_command(
    OUTPUT ${translations}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${res}/new/prefix1
    ${copies}
    DEPENDS ${sources}
    COMMENT "Copying Qt's Chinese translation"
    VERBATIM)

  # Qt cannot render an animation from a drawing: the spinner is a GIF kept with the sources.
  set(animations ${res}/qss/debug/images/btnimage/else/webLoading.gif)
  add_custom_command(
    OUTPUT ${animations}
    COMMAND ${CMAKE_COMMAND} -E copy ${KVR_RESOURCES_DIR}/images/anim/webLoading.gif ${animations}
    DEPENDS ${KVR_RESOURCES_DIR}/images/anim/webLoading.gif
    VERBATIM)
  # The song lists' playing mark, 14 x 8: four bouncing bars on transparency, six frames of
  # 120 ms. Its resource name has no extension; the reader recognises the GIF by its content.
  set(playing_mark ${res}/rs/playing)
  add_custom_command(
    OUTPUT ${playing_mark}
    COMMAND ${CMAKE_COMMAND} -E copy ${KVR_RESOURCES_DIR}/images/anim/playing.gif ${playing_mark}
    DEPENDS ${KVR_RESOURCES_DIR}/images/anim/playing.gif
    VERBATIM)
  list(APPEND animations ${playing_mark})

  qt_add_resources(${target} kvrshellres
    PREFIX "/"
    BASE ${res}
    FILES ${pictures} ${translations} ${animations})
endfunction()

# ---- Installation files beside the programs ----

set(install_files "")

kvr_manifest_outputs(${KVR_RESOURCES_DIR}/images/skins.txt ${KVR_OUTPUT_DIR}/images/bkimg skins)
add_custom_command(
  OUTPUT ${skins}
  COMMAND ${KVR_TOOL_ENV} $<TARGET_FILE:kvrsvgrender> ${KVR_RESOURCES_DIR}/images/skins.txt
          ${KVR_RESOURCES_DIR}/images ${KVR_OUTPUT_DIR}/images/bkimg
  DEPENDS kvrsvgrender ${KVR_RESOURCES_DIR}/images/skins.txt ${skins_DRAWINGS}
  COMMENT "Rendering the skin pictures"
  VERBATIM)
list(APPEND install_files ${skins})

kvr_manifest_outputs(${KVR_RESOURCES_DIR}/images/programimages.txt ${KVR_OUTPUT_DIR}/images program_images)
add_custom_command(
  OUTPUT ${program_images}
  COMMAND ${KVR_TOOL_ENV} $<TARGET_FILE:kvrsvgrender> ${KVR_RESOURCES_DIR}/images/programimages.txt
          ${KVR_RESOURCES_DIR}/images ${KVR_OUTPUT_DIR}/images
  DEPENDS kvrsvgrender ${KVR_RESOURCES_DIR}/images/programimages.txt ${program_images_DRAWINGS}
  COMMENT "Rendering the pictures beside the program"
  VERBATIM)
list(APPEND install_files ${program_images})

# The player rewrites a few values of its "config.ini" while it runs; the file is copied again
# only when its template changes.
configure_file(${KVR_RESOURCES_DIR}/config.ini.in ${CMAKE_CURRENT_BINARY_DIR}/config.ini @ONLY)
foreach(ini config.ini configu.ini)
  if(ini STREQUAL "config.ini")
    set(from ${CMAKE_CURRENT_BINARY_DIR}/config.ini)
  else()
    set(from ${KVR_RESOURCES_DIR}/${ini})
  endif()
  add_custom_command(
    OUTPUT ${KVR_OUTPUT_DIR}/${ini}
    COMMAND ${CMAKE_COMMAND} -E copy ${from} ${KVR_OUTPUT_DIR}/${ini}
    DEPENDS ${from}
    VERBATIM)
  list(APPEND install_files ${KVR_OUTPUT_DIR}/${ini})
endforeach()

if(TARGET kvrcrypt)
  add_custom_command(
    OUTPUT ${KVR_OUTPUT_DIR}/ss.css
    COMMAND ${KVR_TOOL_ENV} $<TARGET_FILE:kvrcrypt> encrypt ${KVR_RESOURCES_DIR}/ss.css ${KVR_OUTPUT_DIR}/ss.css
    DEPENDS kvrcrypt ${KVR_RESOURCES_DIR}/ss.css
    COMMENT "Enciphering the style sheet"
    VERBATIM)
  list(APPEND install_files ${KVR_OUTPUT_DIR}/ss.css)
else()
  message(WARNING "kvrcrypt is not built: no ss.css beside the programs")
endif()

add_custom_target(kvrinstallfiles ALL DEPENDS ${install_files})
