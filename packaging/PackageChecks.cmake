# SPDX-FileCopyrightText: 2026 The Reelwright developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Read by cpack before it packs anything: a Debian package names someone to
# write to, and passes the converter on only under a licence that allows it.
if(NOT CPACK_REELWRIGHT_SUPPORT_ADDRESS)
    message(FATAL_ERROR "The Debian package needs a Maintainer address: configure with "
        "-DREELWRIGHT_SUPPORT_ADDRESS=<e-mail address> (for example help@example.org) and package again.")
endif()
if(NOT CPACK_REELWRIGHT_SUPPORT_ADDRESS MATCHES "^[^@<> ]+@[^@<> ]+$")
    message(FATAL_ERROR "REELWRIGHT_SUPPORT_ADDRESS \"${CPACK_REELWRIGHT_SUPPORT_ADDRESS}\" is no e-mail address; "
        "the Debian package's Maintainer field needs one.")
endif()
if(NOT CPACK_REELWRIGHT_CONVERTER_LICENSE)
    message(FATAL_ERROR "The converter ${CPACK_REELWRIGHT_CONVERTER_PATH} does not state (with -version and -L) "
        "its copyright and a licence under which the package may pass it on; "
        "name another with -DREELWRIGHT_FFMPEG=<path>.")
endif()
