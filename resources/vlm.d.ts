// Type declarations for window.vlm, the bridge the Vellum runtime injects into every page.
// Each function posts its identifier (given below) to the host and settles with the host's
// answer: resolved with the result on success, rejected with it on failure.

/** Argument objects are passed to the host as they are; see the runtime's documentation. */
export type VlmArgs = Record<string, unknown>;

export interface VlmEvents {
  onCloseQuery(): void;
  onMainMenuItemClick(itemId: string): void;
  onTrayMenuItemClick(itemId: string): void;
  onTrayIconClick(): void;
  onNotificationClick(notifName: string): void;
}

export interface Vlm {
  call(funcID: number, args: VlmArgs): Promise<unknown>;
  /** id 10001 */
  hello(): Promise<string>;
  /** id 10002 */
  isRuntime(): Promise<boolean>;
  dialogs: {
    /** id 20001 */
    openFile(args: VlmArgs): Promise<unknown>;
    /** id 20002 */
    saveFile(args: VlmArgs): Promise<unknown>;
    /** id 20003 */
    selFolder(args: VlmArgs): Promise<unknown>;
  };
  files: {
    /** id 30001 */
    fileExists(args: VlmArgs): Promise<unknown>;
    /** id 30002 */
    deleteFile(args: VlmArgs): Promise<unknown>;
    /** id 30003 */
    writeTextFile(args: VlmArgs): Promise<unknown>;
    /** id 30004 */
    extractFile(args: VlmArgs): Promise<unknown>;
  };
  folders: {
    /** id 40001 */
    dirExists(args: VlmArgs): Promise<unknown>;
    /** id 40002 */
    createDir(args: VlmArgs): Promise<unknown>;
    /** id 40003 */
    deleteDir(args: VlmArgs): Promise<unknown>;
    /** id 40004 */
    listFiles(args: VlmArgs): Promise<unknown>;
    /** id 40005 */
    getTempDir(): Promise<unknown>;
    /** id 40006 */
    getUserDocumentsDir(): Promise<unknown>;
    /** id 40007 */
    getUserDesktopDir(): Promise<unknown>;
    /** id 40008 */
    getAppExecutableDir(): Promise<unknown>;
    /** id 40009 */
    getAppDataDir(): Promise<unknown>;
  };
  app: {
    /** id 50001 */
    close(): Promise<unknown>;
    /** id 50002 */
    inFullscreen(): Promise<unknown>;
    /** id 50003 */
    enterFullscreen(): Promise<unknown>;
    /** id 50004 */
    exitFullscreen(): Promise<unknown>;
    /** id 50005 */
    getArgs(): Promise<unknown>;
    /** id 50006 */
    navigate(args: VlmArgs): Promise<unknown>;
  };
  window: {
    /** id 60001 */
    getStyle(): Promise<unknown>;
    /** id 60002 */
    setStyle(args: VlmArgs): Promise<unknown>;
    /** id 60003 */
    getState(): Promise<unknown>;
    /** id 60004 */
    setState(args: VlmArgs): Promise<unknown>;
    /** id 60005 */
    getTitle(): Promise<unknown>;
    /** id 60006 */
    setTitle(args: VlmArgs): Promise<unknown>;
    /** id 60007 */
    getZoom(): Promise<unknown>;
    /** id 60008 */
    setZoom(args: VlmArgs): Promise<unknown>;
    /** id 60009 */
    getSize(): Promise<unknown>;
    /** id 60010 */
    setSize(args: VlmArgs): Promise<unknown>;
    /** id 60011 */
    getBorder(): Promise<unknown>;
    /** id 60012 */
    setBorder(args: VlmArgs): Promise<unknown>;
  };
  shell: {
    /** id 70001 */
    execute(args: VlmArgs): Promise<unknown>;
    /** id 70002 */
    explore(args: VlmArgs): Promise<unknown>;
    /** id 70003 */
    command(args: VlmArgs): Promise<unknown>;
    /** id 70004 */
    windows(): Promise<unknown>;
  };
  themes: {
    /** id 80001 */
    getTheme(): Promise<unknown>;
    /** id 80002 */
    getThemes(): Promise<unknown>;
    /** id 80003 */
    setTheme(args: VlmArgs): Promise<unknown>;
  };
  base64: {
    /** id 90001 */
    decodeToFile(args: VlmArgs): Promise<unknown>;
  };
  system: {
    /** id 11001 */
    logoff(): Promise<unknown>;
    /** id 11002 */
    reboot(): Promise<unknown>;
    /** id 11003 */
    shutdown(): Promise<unknown>;
    /** id 11004 */
    macAddresses(): Promise<unknown>;
    /** id 11005 */
    notification(args: VlmArgs): Promise<unknown>;
  };
  mainMenu: {
    /** id 12001 */
    setItems(args: VlmArgs): Promise<unknown>;
    /** id 12002 */
    updateItem(args: VlmArgs): Promise<unknown>;
  };
  registry: {
    /** id 13001 */
    writeValue(args: VlmArgs): Promise<unknown>;
    /** id 13002 */
    readValue(args: VlmArgs): Promise<unknown>;
    /** id 13003 */
    valueExist(args: VlmArgs): Promise<unknown>;
    /** id 13004 */
    deleteValue(args: VlmArgs): Promise<unknown>;
    /** id 13005 */
    keyExist(args: VlmArgs): Promise<unknown>;
    /** id 13006 */
    deleteKey(args: VlmArgs): Promise<unknown>;
  };
  trayMenu: {
    /** id 14001 */
    showIcon(): Promise<unknown>;
    /** id 14002 */
    hideIcon(): Promise<unknown>;
    /** id 14003 */
    setItems(args: VlmArgs): Promise<unknown>;
    /** id 14004 */
    updateItem(args: VlmArgs): Promise<unknown>;
  };
  events: VlmEvents;
}

declare global {
  interface Window {
    vlm: Vlm;
  }
}
