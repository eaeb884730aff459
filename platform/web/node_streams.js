// node_streams.js — put before the node builds of the tools (--pre-js): their standard
// streams are terminals only when they really are. Emscripten's raw node file system
// takes them for terminals always, and mxm shows its progress on a terminal only.
Module['onRuntimeInitialized'] = function() {
  var tty = require('tty');
  for (var fd = 0; fd < 3; fd++) {
    if (FS.streams[fd]) FS.streams[fd].tty = tty.isatty(fd);
  }
};
