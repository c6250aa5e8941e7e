// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// Validates CycloneDX 1.6 JSON documents against the format's strict schema with the validator of
// the CycloneDX project's own library (@cyclonedx/cyclonedx-library, installed by
// scripts/setup.sh under /opt/corvane/cyclonedx). Prints one line a file; exits 1 on any error.
//   NODE_PATH=/opt/corvane/cyclonedx/node_modules node scripts/validate-sbom.js FILE...
'use strict';
const fs = require('fs');
const cdx = require('@cyclonedx/cyclonedx-library');

async function main(files) {
  // The library's name for the format's version 1.6 is that text.
  const validator = new cdx.Validation.JsonStrictValidator('1.6');
  let failed = files.length === 0;
  for (const file of files) {
    const errors = await validator.validate(fs.readFileSync(file, 'utf8'));
    if (errors === null) {
      console.log(`valid CycloneDX 1.6: ${file}`);
    } else {
      failed = true;
      console.error(`NOT valid CycloneDX 1.6: ${file}\n${JSON.stringify(errors, null, 1)}`);
    }
  }
  process.exitCode = failed ? 1 : 0;
}
main(process.argv.slice(2)).catch((error) => {
  console.error(error);
  process.exitCode = 1;
});
