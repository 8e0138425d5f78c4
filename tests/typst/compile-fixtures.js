#!/usr/bin/env node
// Converts PDFs with `quillstone convert -f typst` and compiles each output to PDF with a real
// Typst compiler, failing on any compile error. Each PDF is converted twice, with and without an
// assets directory, since figures take a different form in each.
//
// Usage: node compile-fixtures.js QUILLSTONE PDF...
// Exits 0 when everything compiles, 1 on a failure, 77 (skipped) when the compiler is not
// installed: scripts/install-deps.sh installs it into node_modules beside this file.
'use strict';

const fs = require('fs');
const os = require('os');
const path = require('path');
const { spawnSync } = require('child_process');

const skip_status = 77;
const mitex_import = '#import "@preview/mitex:0.2.4": mi, mitex';

let NodeCompiler;
try {
    ({ NodeCompiler } = require('@myriaddreamin/typst-ts-node-compiler'));
} catch (err) {
    console.log(`SKIP: no Typst compiler: @myriaddreamin/typst-ts-node-compiler is not installed in ` +
        `${path.join(__dirname, 'node_modules')} (scripts/install-deps.sh installs it with npm): ` +
        err.message.split('\n')[0]);
    process.exit(skip_status);
}

// The tests cannot reach the Typst package registry, so mitex, which typesets the LaTeX of the
// formulas, cannot be fetched. When an output imports it, the import line goes and every formula
// (a "#mitex(`...`)" or "#mi(`...`)" call, or a "$...$" span within one block) becomes the plain
// word "maths": what is checked is the markup around the maths. A "$" left without its partner
// stays, and fails the compile as it would for a reader.
function strip_maths(source) {
    if (!source.includes(mitex_import))
        return source;
    return source
        .replace(mitex_import + '\n', '')
        .replace(/#mitex\(`[^`]*`\)|#mi\(`[^`]*`\)/g, 'maths')
        .replace(/\$(?:[^$\n]|\n(?!\n))*\$/g, 'maths');
}

function describe(diagnostic, lines) {
    const severity = diagnostic.severity === 1 ? 'error' : 'warning';
    let where = diagnostic.path || '(main)';
    let excerpt = '';
    if (diagnostic.range) {
        const { line, character } = diagnostic.range.start;
        where += `:${line + 1}:${character + 1}`;
        if (line < lines.length)
            excerpt = `\n    | ${lines[line]}`;
    }
    return `${where}: ${severity}: ${diagnostic.message}${excerpt}`;
}

function main(argv) {
    if (argv.length < 2) {
        console.error('usage: compile-fixtures.js QUILLSTONE PDF...');
        return 2;
    }
    const quillstone = path.resolve(argv[0]);
    const pdfs = argv.slice(1).map(p => path.resolve(p));

    const root = fs.mkdtempSync(path.join(os.tmpdir(), 'quillstone-typst-'));
    // Image paths in the output are relative, and Typst resolves them from the file that names
    // them, within the workspace root.
    const compiler = NodeCompiler.create({ workspace: root });
    let failures = 0;
    let compiled = 0;
    try {
        for (const pdf of pdfs) {
            for (const assets of [false, true]) {
                const name = path.basename(pdf, '.pdf') + (assets ? '-assets' : '');
                const dir = path.join(root, name);
                fs.mkdirSync(dir);
                const args = ['convert', '-f', 'typst', '-o', 'out.typ'];
                if (assets)
                    args.push('--assets', 'assets');
                args.push(pdf);
                const run = spawnSync(quillstone, args, { cwd: dir, encoding: 'utf8' });
                if (run.error || run.status !== 0) {
                    console.log(`FAIL ${name}: quillstone ${args.join(' ')} exited ` +
                        `${run.error ? run.error.message : run.status}\n${run.stderr}`);
                    ++failures;
                    continue;
                }
                const file = path.join(dir, 'out.typ');
                const source = strip_maths(fs.readFileSync(file, 'utf8'));
                fs.writeFileSync(file, source);
                const lines = source.split('\n');

                const result = compiler.compile({ mainFilePath: file });
                const error = result.takeError();
                if (error) {
                    console.log(`FAIL ${name}: Typst rejects the output`);
                    for (const d of compiler.fetchDiagnostics(error))
                        console.log('  ' + describe(d, lines));
                    ++failures;
                    continue;
                }
                const warnings = result.takeWarnings();
                if (warnings)
                    for (const d of compiler.fetchDiagnostics(warnings))
                        console.log(`  ${name}: ` + describe(d, lines));
                const bytes = compiler.pdf(result.result);
                if (bytes.subarray(0, 5).toString('latin1') !== '%PDF-') {
                    console.log(`FAIL ${name}: the compiled PDF does not start with %PDF-`);
                    ++failures;
                    continue;
                }
                console.log(`ok ${name}: ${result.result.numOfPages} pages, ${bytes.length} bytes`);
                ++compiled;
            }
        }
    } finally {
        fs.rmSync(root, { recursive: true, force: true });
    }
    console.log(`${compiled} compiled, ${failures} failed`);
    return failures === 0 ? 0 : 1;
}

process.exit(main(process.argv.slice(2)));
