/*
 * vlm.js: the bridge between an application's pages and the Vellum runtime.
 *
 * Every function returns a promise. It posts {id, uuid, data} to the host through
 * window.chrome.webview and settles when the host answers with the same uuid:
 * resolved with `result` on success, rejected with `result` on failure.
 * Pages replace the handlers of vlm.events to hear from the host.
 */
window.vlm = {
    call: function (funcID, args) {
        var uuid = "xxxxxxxx-xxxx-4xxx-yxxx-xxxxxxxxxxxx".replace(/[xy]/g, function (c) {
            var r = Math.floor(Math.random() * 16);
            return (c === "x" ? r : (r & 3) | 8).toString(16);
        });
        return new Promise(function (resolve, reject) {
            var listener = function (event) {
                var data = event.data;
                if (!data || data.uuid !== uuid) return;
                window.chrome.webview.removeEventListener("message", listener);
                if (data.success) resolve(data.result);
                else reject(data.result);
            };
            window.chrome.webview.addEventListener("message", listener);
            window.chrome.webview.postMessage({id: funcID, uuid: uuid, data: args});
        });
    },
    hello: function () { return this.call(10001, {}); },
    isRuntime: function () { return this.call(10002, {}); },
    dialogs: {
        openFile: function (args) { return window.vlm.call(20001, args); },
        saveFile: function (args) { return window.vlm.call(20002, args); },
        selFolder: function (args) { return window.vlm.call(20003, args); }
    },
    files: {
        fileExists: function (args) { return window.vlm.call(30001, args); },
        deleteFile: function (args) { return window.vlm.call(30002, args); },
        writeTextFile: function (args) { return window.vlm.call(30003, args); },
        extractFile: function (args) { return window.vlm.call(30004, args); }
    },
    folders: {
        dirExists: function (args) { return window.vlm.call(40001, args); },
        createDir: function (args) { return window.vlm.call(40002, args); },
        deleteDir: function (args) { return window.vlm.call(40003, args); },
        listFiles: function (args) { return window.vlm.call(40004, args); },
        getTempDir: function () { return window.vlm.call(40005, {}); },
        getUserDocumentsDir: function () { return window.vlm.call(40006, {}); },
        getUserDesktopDir: function () { return window.vlm.call(40007, {}); },
        getAppExecutableDir: function () { return window.vlm.call(40008, {}); },
        getAppDataDir: function () { return window.vlm.call(40009, {}); }
    },
    app: {
        close: function () { return window.vlm.call(50001, {}); },
        inFullscreen: function () { return window.vlm.call(50002, {}); },
        enterFullscreen: function () { return window.vlm.call(50003, {}); },
        exitFullscreen: function () { return window.vlm.call(50004, {}); },
        getArgs: function () { return window.vlm.call(50005, {}); },
        navigate: function (args) { return window.vlm.call(50006, args); }
    },
    window: {
        getStyle: function () { return window.vlm.call(60001, {}); },
        setStyle: function (args) { return window.vlm.call(60002, args); },
        getState: function () { return window.vlm.call(60003, {}); },
        setState: function (args) { return window.vlm.call(60004, args); },
        getTitle: function () { return window.vlm.call(60005, {}); },
        setTitle: function (args) { return window.vlm.call(60006, args); },
        getZoom: function () { return window.vlm.call(60007, {}); },
        setZoom: function (args) { return window.vlm.call(60008, args); },
        getSize: function () { return window.vlm.call(60009, {}); },
        setSize: function (args) { return window.vlm.call(60010, args); },
        getBorder: function () { return window.vlm.call(60011, {}); },
        setBorder: function (args) { return window.vlm.call(60012, args); }
    },
    shell: {
        execute: function (args) { return window.vlm.call(70001, args); },
        explore: function (args) { return window.vlm.call(70002, args); },
        command: function (args) { return window.vlm.call(70003, args); },
        windows: function () { return window.vlm.call(70004, {}); }
    },
    themes: {
        getTheme: function () { return window.vlm.call(80001, {}); },
        getThemes: function () { return window.vlm.call(80002, {}); },
        setTheme: function (args) { return window.vlm.call(80003, args); }
    },
    base64: {
        decodeToFile: function (args) { return window.vlm.call(90001, args); }
    },
    system: {
        logoff: function () { return window.vlm.call(11001, {}); },
        reboot: function () { return window.vlm.call(11002, {}); },
        shutdown: function () { return window.vlm.call(11003, {}); },
        macAddresses: function () { return window.vlm.call(11004, {}); },
        notification: function (args) { return window.vlm.call(11005, args); }
    },
    mainMenu: {
        setItems: function (args) { return window.vlm.call(12001, args); },
        updateItem: function (args) { return window.vlm.call(12002, args); }
    },
    registry: {
        writeValue: function (args) { return window.vlm.call(13001, args); },
        readValue: function (args) { return window.vlm.call(13002, args); },
        valueExist: function (args) { return window.vlm.call(13003, args); },
        deleteValue: function (args) { return window.vlm.call(13004, args); },
        keyExist: function (args) { return window.vlm.call(13005, args); },
        deleteKey: function (args) { return window.vlm.call(13006, args); }
    },
    trayMenu: {
        showIcon: function () { return window.vlm.call(14001, {}); },
        hideIcon: function () { return window.vlm.call(14002, {}); },
        setItems: function (args) { return window.vlm.call(14003, args); },
        updateItem: function (args) { return window.vlm.call(14004, args); }
    },
    events: {
        onCloseQuery: function () { window.vlm.app.close(); },
        onMainMenuItemClick: function (itemId) {},
        onTrayMenuItemClick: function (itemId) {},
        onTrayIconClick: function () {},
        onNotificationClick: function (notifName) {}
    }
};
