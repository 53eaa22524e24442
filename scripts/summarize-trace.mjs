// Tells in words what a page did, from a runtime's trace (VELLUM_TRACE, JSON Lines):
// node summarize-trace.mjs FILE...
import fs from 'node:fs';

const names = {
  10001: 'hello', 10002: 'isRuntime', 30001: 'files.fileExists', 30003: 'files.writeTextFile', 50001: 'app.close',
  50005: 'app.getArgs', 60006: 'window.setTitle',
};
const parsed = (message) => {
  if (typeof message !== 'string') return message;
  try { return JSON.parse(message); } catch { return message; }
};
for (const file of process.argv.slice(2)) {
  const records = fs.readFileSync(file, 'utf8').split('\n').filter(Boolean).map((line) => JSON.parse(line));
  console.log(`Trace ${file} (${records.length} records):`);
  const asked = new Map();
  for (const record of records) {
    switch (record.event) {
      case 'navigate': console.log(`  Opened ${record.uri}`); break;
      case 'resource':
        console.log(record.status === null ? `  Not found: ${record.uri}`
          : `  Served ${record.uri}: ${record.status}, ${record.type}, ${record.bytes} bytes`);
        break;
      case 'request': {
        const request = parsed(record.message);
        const name = names[request?.id] ?? `function ${request?.id}`;
        if (request?.uuid) asked.set(request.uuid, name);
        console.log(`  The page called ${name}${request?.data && Object.keys(request.data).length ? ' ' + JSON.stringify(request.data) : ''}`);
        break;
      }
      case 'answer': {
        const answer = parsed(record.message);
        const name = asked.get(answer?.uuid) ?? 'a request';
        console.log(`  Answered ${name}: ${answer?.success ? 'success' : 'failure'}, ${JSON.stringify(answer?.result)}`);
        break;
      }
      case 'script': console.log(`  The host ran in the page: ${record.script.length > 80 ? record.script.slice(0, 77) + '...' : record.script}`); break;
      case 'console': console.log(`  Page console (${record.level}): ${record.text}`); break;
      case 'new-window': console.log(`  New window for ${record.uri}${record.taken ? ', started as a new copy' : ''}`); break;
      default: break;
    }
  }
}
