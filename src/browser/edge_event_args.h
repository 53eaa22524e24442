#pragma once

#include "webview2/com_ptr.h"
#include "webview2/webview2_abi.h"

namespace vellum {

// The runtime's arguments of one event, held while the control's handler runs. A handler reads
// or answers through ArgsInterface during the call and copies what it wants to keep.
template <class TArgsInterface>
class TEdgeEventArgs {
public:
    explicit TEdgeEventArgs(TArgsInterface* Args) : FArgsInterface(Args) {}
    TArgsInterface* ArgsInterface() const { return FArgsInterface.Get(); }

private:
    webview2::TComPtr<TArgsInterface> FArgsInterface;
};

using TNavigationStartingEventArgs = TEdgeEventArgs<webview2::ICoreWebView2NavigationStartingEventArgs>;
using TNewWindowRequestedEventArgs = TEdgeEventArgs<webview2::ICoreWebView2NewWindowRequestedEventArgs>;
using TPermissionRequestedEventArgs = TEdgeEventArgs<webview2::ICoreWebView2PermissionRequestedEventArgs>;
using TScriptDialogOpeningEventArgs = TEdgeEventArgs<webview2::ICoreWebView2ScriptDialogOpeningEventArgs>;
using TWebMessageReceivedEventArgs = TEdgeEventArgs<webview2::ICoreWebView2WebMessageReceivedEventArgs>;
using TWebResourceRequestedEventArgs = TEdgeEventArgs<webview2::ICoreWebView2WebResourceRequestedEventArgs>;

}  // namespace vellum
