# `make package`: a Debian package. dpkg-shlibdeps finds the shared libraries
# the executables link (FFmpeg, Qt); the QML modules and the CJK font are
# loaded at run time, so they are named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kivotra)
set(CPACK_PACKAGE_VENDOR "Kivotra")
set(CPACK_PACKAGE_CONTACT "Kivotra developers <dev@kivotra.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Video compressor: MOV/MP4/M4V to smaller H.264 MP4 (KivotraMP4)")
# One string: separate arguments would be joined with ";" into the control file.
set(CPACK_PACKAGE_DESCRIPTION
    "KivotraMP4 re-encodes video files into MP4 files with H.264 video and AAC\n\
audio at a chosen resolution tier, frame rate and bitrate. It comes with a\n\
window (kivotra) and a terminal front end (kivotra-cli). It speaks Chinese\n\
and, on an English desktop, English.\n\
\n\
KivotraMP4 把视频重新编码为 H.264 视频、AAC 音频的 MP4 文件，可选分辨率档位、\n\
帧率和码率；附带窗口程序（kivotra）和终端程序（kivotra-cli）。")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://kivotra.example.com")
# The executables are stripped into the package; their debug symbols go to
# kivotra-dbgsym (a .ddeb beside the .deb), found through the build id.
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/fix_dbgsym.cmake)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qml6-module-qtquick, qml6-module-qtquick-controls, qml6-module-qtquick-layouts, qml6-module-qtquick-dialogs, qml6-module-qtquick-window, qml6-module-qtquick-templates, qml6-module-qtqml-workerscript, qml6-module-qtquick-shapes, fonts-noto-cjk | fonts-wqy-microhei")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "qt6-wayland, qt6-translations-l10n, qt6-xdgdesktopportal-platformtheme, qt6-gtk-platformtheme")
include(CPack)
