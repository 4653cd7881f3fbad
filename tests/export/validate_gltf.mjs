// Runs the Khronos glTF Validator on each file named (.glb or .gltf, side files read from the
// file's folder) and fails on any error or warning; infos and hints are printed only.
//   node validate_gltf.mjs <validator module dir> FILE...
import { createRequire } from 'node:module';
import fs from 'node:fs';
import path from 'node:path';

const [moduleDir, ...files] = process.argv.slice(2);
const require = createRequire(path.join(path.resolve(moduleDir), 'package.json'));
const validator = require('gltf-validator');

let failed = false;
for (const file of files) {
  const dir = path.dirname(file);
  const report = await validator.validateBytes(new Uint8Array(fs.readFileSync(file)), {
    uri: path.basename(file),
    maxIssues: 0,
    externalResourceFunction: (uri) =>
      new Promise((resolve, reject) => {
        fs.readFile(path.join(dir, decodeURIComponent(uri)), (err, data) =>
          err ? reject(err.toString()) : resolve(new Uint8Array(data)));
      }),
  });
  const { numErrors, numWarnings, numInfos, numHints, messages } = report.issues;
  console.log(`${file}: ${numErrors} errors, ${numWarnings} warnings, ${numInfos} infos, ` +
              `${numHints} hints`);
  for (const m of messages) console.log(`  [${m.severity}] ${m.code} ${m.pointer ?? ''}: ${m.message}`);
  if (numErrors > 0 || numWarnings > 0) failed = true;
}
process.exit(failed ? 1 : 0);
