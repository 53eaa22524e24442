// Checks report through the console, which the host writes to its trace; the test runner
// reads every "check {...}" line and fails on any whose ok is false.
window.checks = {
  report: function (name, ok, detail) {
    console.log('check ' + JSON.stringify({ name: name, ok: ok, detail: detail }));
  },
  // fn answers true, or a text saying what it saw instead.
  run: async function (name, fn) {
    try {
      const outcome = await fn();
      this.report(name, outcome === true, outcome === true ? '' : String(outcome));
    } catch (error) {
      this.report(name, false, 'threw ' + error);
    }
  },
  equal: function (actual, expected) {
    return actual === expected ? true : JSON.stringify(actual) + ' instead of ' + JSON.stringify(expected);
  },
  text: async function (url) { return (await fetch(url)).text(); }
};
