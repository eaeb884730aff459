// node_tools.js — put before the node builds of the tools (--pre-js), so they meet the
// system as on Linux: the process's real umask (emscripten's own is 0777, which would
// make every file a tool writes unreadable), and standard streams that are terminals
// only when they really are (emscripten's raw node file system takes them for terminals
// always, and mxm draws its progress bar only on a terminal).
Module['onRuntimeInitialized'] = function() {
  Module['_umask'](process.umask());
  var tty = require('tty');
  for (var fd = 0; fd < 3; fd++) {
    if (FS.streams[fd]) FS.streams[fd].tty = tty.isatty(fd);
  }
};
