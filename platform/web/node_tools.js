// node_tools.js — put before the node builds of the tools (--pre-js), so they meet the
// system as on Linux: the process's real umask (emscripten's own is 0777, which would
// make every file a tool writes unreadable), and standard streams that can be looked at
// with fstat (emscripten's raw node file system gives them no path: reading a script
// from standard input failed) and are terminals only when they really are (it takes
// them for terminals always, and mxm draws its progress bar only on a terminal). A
// write into a closed pipe ends the tool silently with status 141, as SIGPIPE does on
// Linux: node ignores SIGPIPE, so the tool would report the error and exit 1.
Module['onRuntimeInitialized'] = function() {
  var write = FS.write;
  FS.write = function() {
    try {
      return write.apply(null, arguments);
    } catch (e) {
      if (e instanceof FS.ErrnoError && e.errno === ERRNO_CODES.EPIPE) process.exit(128 + 13);
      throw e;
    }
  };
  Module['_umask'](process.umask());
  var tty = require('tty');
  ['/dev/stdin', '/dev/stdout', '/dev/stderr'].forEach(function(path, fd) {
    if (!FS.streams[fd]) return;
    FS.streams[fd].path = path;
    FS.streams[fd].tty = tty.isatty(fd);
  });
};
