// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

namespace qv {

// The maker's web site, opened by the notice of the main window and by
// "Visit Website" of the promotion dialog.
inline constexpr char kMakerWebSiteAddress[] = "https://www.wexmor.example/";
// The installer of the promoted product, opened by "Download".
inline constexpr char kProductDownloadAddress[] = "https://www.wexmor.example/download/MorvelleSetup.exe";

} // namespace qv
