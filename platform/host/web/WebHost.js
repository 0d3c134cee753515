// The imports of the browser host (WebHost.cpp), linked with --js-library: each hands its
// arguments, read out of the program's memory, to the page's host that WebPage.js makes.
// dv_web_wait and dv_web_yield suspend the program while the browser runs (ASYNCIFY; the
// build lists them as asynchronous imports).
mergeInto(LibraryManager.library, {
  dv_web_init: function () {
    Module.dvHost = dvCreateHost();
  },

  dv_web_create: function (win, kind, owner, x, y, cx, cy, title) {
    Module.dvHost.create(win, kind, owner, x, y, cx, cy, UTF8ToString(title));
  },

  dv_web_destroy: function (win) {
    Module.dvHost.destroy(win);
  },

  dv_web_show: function (win, show) {
    Module.dvHost.show(win, show);
  },

  // A window's place; its canvas takes its new size when the screen of that size is presented.
  dv_web_move: function (win, x, y) {
    Module.dvHost.place(win, x, y);
  },

  dv_web_size_to: function (win, cx, cy) {
    return Module.dvHost.sizeTo(win, cx, cy) ? 1 : 0;
  },

  dv_web_title: function (win, title) {
    Module.dvHost.title(win, UTF8ToString(title));
  },

  dv_web_icon: function (rgba, width, height) {
    Module.dvHost.icon(new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4).slice(),
                       width, height);
  },

  // The pixels are read in place: the canvas copies them before the program runs again.
  dv_web_present: function (win, rgba, x, y, cx, cy) {
    Module.dvHost.present(win, new Uint8ClampedArray(HEAPU8.buffer, rgba, cx * cy * 4), x, y,
                          cx, cy);
  },

  // Takes the oldest of the page's events into eight ints at out; 0 when there is none.
  dv_web_poll: function (out) {
    const host = Module.dvHost;
    if (!host.queue.length) return 0;
    const e = host.queue.shift();
    for (let i = 0; i < 8; ++i) HEAP32[(out >> 2) + i] = e[i] || 0;
    return 1;
  },

  dv_web_fullscreen: function (on) {
    Module.dvHost.fullScreen(on !== 0);
  },

  dv_web_wait__deps: ['$Asyncify'],
  dv_web_wait: function (timeoutMs) {
    return Asyncify.handleAsync(() => Module.dvHost.wait(timeoutMs));
  },

  dv_web_yield__deps: ['$Asyncify'],
  dv_web_yield: function () {
    return Asyncify.handleAsync(() => Module.dvHost.rest());
  },

  dv_web_now: function () {
    return performance.now();
  },

  // The screen the program sees: the viewport in program pixels.
  dv_web_screen_width: function () {
    return Module.dvHost.screenWidth();
  },

  dv_web_screen_height: function () {
    return Module.dvHost.screenHeight();
  },

  dv_web_ended: function () {
    dvShowEnded();
  },
});
