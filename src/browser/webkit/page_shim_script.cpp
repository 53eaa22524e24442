#include "browser/webkit/page_shim_script.h"

namespace vellum {

const char* const kPageShimScript = R"js((function () {
  'use strict';
  var handlers = window.webkit && window.webkit.messageHandlers;
  if (!handlers || !handlers.vellum || (window.chrome && window.chrome.webview)) return;
  var scheme = 'vellum-file:';

  var webview = new EventTarget();
  webview.postMessage = function (message) {
    if (typeof message === 'string') { handlers.vellum.postMessage(message); return; }
    var json = JSON.stringify(message);
    if (json === undefined) throw new TypeError('The message cannot be sent as JSON');
    handlers.vellum.postMessage({ json: json });
  };
  Object.defineProperty(window, '__vellumPostToPage', {
    value: function (text) { webview.dispatchEvent(new MessageEvent('message', { data: JSON.parse(text) })); }
  });
  if (!window.chrome) window.chrome = {};
  window.chrome.webview = webview;

  function carried(url) {
    var parsed;
    try { parsed = new URL(String(url), document.baseURI); } catch (e) { return null; }
    return parsed.protocol === 'file:' ? scheme + parsed.href.slice(5) : null;
  }
  function shown(url) {
    return typeof url === 'string' && url.indexOf(scheme) === 0 ? 'file:' + url.slice(scheme.length) : url;
  }
  var nativeFetch = window.fetch;
  window.fetch = function (input, init) {
    var mapped = input instanceof Request ? carried(input.url) : carried(input);
    if (mapped) input = input instanceof Request ? new Request(mapped, input) : mapped;
    return nativeFetch.call(this, input, init);
  };
  var nativeOpen = XMLHttpRequest.prototype.open;
  XMLHttpRequest.prototype.open = function (method, url) {
    var args = Array.prototype.slice.call(arguments);
    var mapped = carried(url);
    if (mapped) args[1] = mapped;
    return nativeOpen.apply(this, args);
  };
  function showGetter(prototype, name) {
    var descriptor = Object.getOwnPropertyDescriptor(prototype, name);
    if (!descriptor || !descriptor.get) return;
    Object.defineProperty(prototype, name, {
      configurable: true, enumerable: descriptor.enumerable,
      get: function () { return shown(descriptor.get.call(this)); }
    });
  }
  showGetter(Response.prototype, 'url');
  showGetter(Request.prototype, 'url');
  showGetter(XMLHttpRequest.prototype, 'responseURL');

  function text(value) {
    if (typeof value === 'string') return value;
    if (value instanceof Error) return String(value);
    try { var json = JSON.stringify(value); if (json !== undefined) return json; } catch (e) {}
    return String(value);
  }
  function report(level, message) {
    try { handlers.vellumConsole.postMessage({ level: level, text: message }); } catch (e) {}
  }
  ['log', 'info', 'warn', 'error', 'debug'].forEach(function (level) {
    var original = console[level];
    console[level] = function () {
      report(level, Array.prototype.map.call(arguments, text).join(' '));
      return original.apply(console, arguments);
    };
  });
  window.addEventListener('error', function (event) {
    report('error', 'Uncaught ' + event.message + ' (' + event.filename + ':' + event.lineno + ')');
  });
  window.addEventListener('unhandledrejection', function (event) {
    report('error', 'Unhandled rejection: ' + text(event.reason));
  });
})();)js";

}  // namespace vellum
