// Tells in words what the WebView2 test double saw an app do: node summarize-transcript.mjs FILE...
import fs from 'node:fs';

const names = { 10001: 'hello', 10002: 'isRuntime', 50001: 'app.close' };
for (const file of process.argv.slice(2)) {
  const records = fs.readFileSync(file, 'utf8').split('\n').filter(Boolean).map((line) => JSON.parse(line));
  const of = (event) => records.filter((record) => record.event === event);
  console.log(`Transcript ${file}:`);
  const [script] = of('add_document_script');
  if (script) console.log(`  Page script registered: ${script.script.length} characters (the vlm library first).`);
  for (const record of of('resource_response'))
    console.log(`  Served ${record.uri}: ${record.status} ${record.reason}, ${record.bytes} bytes, ${record.headers}`);
  for (const record of of('resource_unanswered')) console.log(`  Not found: ${record.uri}`);
  for (const record of of('title')) console.log(`  Page title: "${record.title}"`);
  for (const record of of('web_message')) {
    let call = record.json;
    try {
      const request = JSON.parse(record.json);
      call = `${names[request.id] ?? request.id} (id ${request.id})`;
    } catch { /* not a request: shown as it came */ }
    console.log(`  The page called ${call}`);
  }
  for (const record of of('post_web_message')) console.log(`  Answer sent: ${record.json}`);
  for (const record of of('execute_script')) console.log(`  Host ran in the page: ${record.script}`);
  const closed = of('controller_closed')[0];
  if (closed) console.log(`  Browser closed; handlers left registered: ${closed.handlers_left}; objects still alive: ${closed.live}.`);
}
