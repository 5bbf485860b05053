// The result a modal form or dialog closes with: which button ended it. The values are the
// platform's dialog-box command identifiers (IDOK, IDCANCEL, ...), so a button's result can be
// its control identifier in a dialog template and a message box result compares directly.
#pragma once

namespace vcl {

using TModalResult = int;

constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;
constexpr TModalResult mrAll = 8;
constexpr TModalResult mrNoToAll = 9;
constexpr TModalResult mrYesToAll = 10;

}  // namespace vcl
