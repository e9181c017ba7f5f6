# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvane developers
# The Debian package, made by `cpack` in a build folder (scripts/package does
# it all): build/quorvane_<version>_<arch>.deb with everything `cmake --install`
# puts in place under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Quorvane developers <developers@quorvane.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "make Adobe Reader in a Wine prefix start faster
Quorvane makes Adobe Reader, installed in a Wine prefix, start faster and
show fewer distractions. It keeps a safety copy of Reader's plug-ins and
leaves only the two that Reader needs at start, writes Reader's preference
values (no updates, splash screen, advertisements, browser integration or
exit confirmation), removes the eBook folder, the PrintMe icons, Reader's
shortcuts and its list of recent files, and can restore it all.

It works on the prefix's own registry files and folders. Its window speaks
English, French, German, Spanish, Portuguese, Italian and Japanese;
quorvane-cli does the same work for scripts, without a window.")
# The libraries come from the programs themselves (dpkg-shlibdeps). The
# window also needs Qt's window system plug-ins, which nothing links, and
# the fonts its layout is measured with.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-liberation, fonts-ipafont-gothic")
# Reader runs in Wine; a Wayland session gets a native window with qt6-wayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "wine, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
