// Drives a generated page in jsdom, the way a person would in a browser, and prints what
// happened as lines that a test compares whole.
//
//   node page_driver.js DOCUMENT.html SCENARIO.json
//
// The scenario holds the page's address ("url"), the API's answers ("answers": "METHOD /path"
// -> {"status": N, "body": JSON value or raw text}; a request without an answer gets 404
// {"error":"not found"}) and the steps, run in order once the page has loaded:
//   {"click": selector}                  clicks the first match
//   {"submit": selector}                 submits the first match as Enter in a field would
//   {"fill": selector, "value": text}    sets a field's value (a checkbox is checked by "on")
//   {"read": selector}                   prints "read SELECTOR: TEXT" for every match
//   {"count": selector}                  prints "count SELECTOR: N", the number of matches
//   {"field": selector}                  prints "field SELECTOR: VALUE" of the first match
//   {"attribute": selector, "name": n}   prints "attribute SELECTOR N: VALUE" for every match
//   {"state": true}                      prints the shown sections, the active links and each
//                                        data table's rows, cells joined by " | "
// Events print as they happen: "fetch: METHOD URL [BODY]", "alert: TEXT", "reload",
// "error: TEXT" (an uncaught script error). A cell that holds elements shows "<markup>".
// Exits with 77 when jsdom is not installed.
'use strict';

const fs = require('fs');

let JSDOM;
let VirtualConsole;
try {
  ({JSDOM, VirtualConsole} = require('jsdom'));
} catch (error) {
  process.stdout.write('jsdom is not installed\n');
  process.exit(77);
}

const [documentPath, scenarioPath] = process.argv.slice(2);
const html = fs.readFileSync(documentPath, 'utf8');
const scenario = JSON.parse(fs.readFileSync(scenarioPath, 'utf8'));
const answers = scenario.answers || {};

function print(line) {
  process.stdout.write(line + '\n');
}

function fakeFetch(url, options) {
  const method = (options && options.method) || 'GET';
  const body = options && options.body !== undefined ? ' ' + options.body : '';
  print('fetch: ' + method + ' ' + url + body);
  const path = new URL(url).pathname;
  const answer = answers[method + ' ' + path] || {status: 404, body: {error: 'not found'}};
  const text = typeof answer.body === 'string' ? answer.body : JSON.stringify(answer.body);
  return Promise.resolve({
    ok: answer.status >= 200 && answer.status < 300,
    status: answer.status,
    json: () => new Promise((resolve) => resolve(JSON.parse(text))),
    text: () => Promise.resolve(text),
  });
}

const virtualConsole = new VirtualConsole();
virtualConsole.on('jsdomError', (error) => {
  // jsdom cannot navigate: a reload shows up as this error.
  if (/navigation/.test(error.message)) {
    print('reload');
  } else {
    print('error: ' + error.message);
  }
});

function settle() {
  return new Promise((resolve) => setTimeout(resolve, 20));
}

function describeCell(cell) {
  return cell.children.length > 0 ? '<markup>' : cell.textContent;
}

function printState(window) {
  const document = window.document;
  const shown = [...document.querySelectorAll('.page')]
      .filter((page) => window.getComputedStyle(page).display !== 'none')
      .map((page) => page.id);
  print('shown: ' + shown.join(' '));
  const active = [...document.querySelectorAll('nav a.active')].map(
      (link) => link.getAttribute('data-page'));
  print('active: ' + active.join(' '));
  for (const table of document.querySelectorAll('table[data-source]')) {
    const rows = [...table.querySelectorAll('tbody tr')].map(
        (row) => '[' + [...row.children].map(describeCell).join(' | ') + ']');
    print('table ' + table.getAttribute('data-source') + ': ' + rows.join(' '));
  }
}

function runStep(window, step) {
  const document = window.document;
  if (step.click !== undefined) {
    const element = document.querySelector(step.click);
    if (!element) return print('missing: ' + step.click);
    element.click();
  } else if (step.submit !== undefined) {
    const form = document.querySelector(step.submit);
    if (!form) return print('missing: ' + step.submit);
    form.requestSubmit();
  } else if (step.fill !== undefined) {
    const field = document.querySelector(step.fill);
    if (!field) return print('missing: ' + step.fill);
    if (field.type === 'checkbox') {
      field.checked = step.value === 'on';
    } else {
      field.value = step.value;
    }
  } else if (step.read !== undefined) {
    for (const element of document.querySelectorAll(step.read)) {
      print('read ' + step.read + ': ' + element.textContent);
    }
  } else if (step.count !== undefined) {
    print('count ' + step.count + ': ' + document.querySelectorAll(step.count).length);
  } else if (step.field !== undefined) {
    const field = document.querySelector(step.field);
    print('field ' + step.field + ': ' + (field ? field.value : '(missing)'));
  } else if (step.attribute !== undefined) {
    for (const element of document.querySelectorAll(step.attribute)) {
      print('attribute ' + step.attribute + ' ' + step.name + ': ' +
            element.getAttribute(step.name));
    }
  } else if (step.state) {
    printState(window);
  }
}

async function main() {
  const dom = new JSDOM(html, {
    url: scenario.url || 'http://localhost:3000/',
    runScripts: 'dangerously',
    virtualConsole,
    beforeParse(window) {
      window.fetch = fakeFetch;
      window.alert = (text) => print('alert: ' + text);
      window.addEventListener('error', (event) => print('error: ' + event.message));
    },
  });
  await settle();
  for (const step of scenario.steps || []) {
    runStep(dom.window, step);
    await settle();
  }
  dom.window.close();
}

main().catch((error) => {
  print('driver failed: ' + error.stack);
  process.exit(1);
});
