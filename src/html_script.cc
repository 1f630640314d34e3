// The script of the generated app. It binds its handlers once the document has loaded and
// reaches the API at the base URL the server gave. Everything the API sends is written with
// textContent, so a stored value such as "<img src=x onerror=...>" shows as the text it is.
#include <string>
#include <string_view>

#include "html.h"

namespace pellix {
namespace {

// The base URL, as a script string, stands between these two parts.
constexpr std::string_view kScriptStart = R"js(
    document.addEventListener('DOMContentLoaded', function () {
      var baseUrl = )js";

constexpr std::string_view kScriptEnd = R"js(;
      var fallbackError = 'Something went wrong';

      function address(name) {
        return baseUrl + '/api/' + name;
      }

      // Answers come back as JSON objects; anything else counts as a failed call.
      function call(method, name, fields) {
        var options = { method: method };
        if (fields !== undefined) {
          options.headers = { 'Content-Type': 'application/json' };
          options.body = JSON.stringify(fields);
        }
        return fetch(address(name), options).then(function (response) {
          return response.json();
        });
      }

      function succeeded(answer) {
        return answer !== null && typeof answer === 'object' && answer.ok === true;
      }

      function reportFailure(answer) {
        var error = answer !== null && typeof answer === 'object' ? answer.error : undefined;
        alert(error ? String(error) : fallbackError);
      }

      // Shows one page's section. The given link, or else every link naming the page, is
      // marked active; every other link loses the mark.
      function showPage(slug, clickedLink) {
        document.querySelectorAll('.page').forEach(function (page) {
          page.style.display = 'none';
        });
        document.querySelectorAll('nav a').forEach(function (link) {
          var isCurrent = clickedLink ? link === clickedLink
                                      : link.getAttribute('data-page') === slug;
          link.classList.toggle('active', isCurrent);
        });
        var section = document.getElementById('page-' + slug);
        if (section) section.style.display = 'block';
      }

      document.querySelectorAll('nav a').forEach(function (link) {
        link.addEventListener('click', function (event) {
          event.preventDefault();
          showPage(link.getAttribute('data-page') || '', link);
        });
      });

      function cellText(value) {
        if (value === undefined || value === null) return '';
        if (typeof value === 'object') return JSON.stringify(value);
        return String(value);
      }

      // With head cells, one cell per column key; without, one per property but the id.
      function appendRow(body, keys, record) {
        if (record === null || typeof record !== 'object') return;
        var names = keys.length > 0 ? keys : Object.keys(record).filter(function (name) {
          return name !== 'id';
        });
        var row = document.createElement('tr');
        names.forEach(function (name) {
          var cell = document.createElement('td');
          var has = Object.prototype.hasOwnProperty.call(record, name);
          cell.textContent = cellText(has ? record[name] : undefined);
          row.appendChild(cell);
        });
        body.appendChild(row);
      }

      function fillTable(table) {
        call('GET', table.getAttribute('data-source')).then(function (answer) {
          if (!succeeded(answer) || !Array.isArray(answer.data)) return;
          var keys = [];
          var headRow = table.querySelector('thead tr');
          if (headRow) {
            headRow.querySelectorAll('th').forEach(function (cell) {
              keys.push(cell.textContent.trim().toLowerCase());
            });
          }
          var body = table.tBodies[0] || table.appendChild(document.createElement('tbody'));
          answer.data.forEach(function (record) {
            appendRow(body, keys, record);
          });
        }).catch(function () {});
      }

      document.querySelectorAll('table[data-source]').forEach(fillTable);

      // A repeated field name keeps its last value; a chosen file is sent by its name.
      function formFields(form) {
        var fields = {};
        new FormData(form).forEach(function (value, name) {
          fields[name] = typeof value === 'string' ? value : value.name;
        });
        return fields;
      }

      document.querySelectorAll('form[data-action]').forEach(function (form) {
        form.addEventListener('submit', function (event) {
          event.preventDefault();
          var action = form.getAttribute('data-action');
          if (!action) return;
          call('POST', action, formFields(form)).then(function (answer) {
            if (!succeeded(answer)) return reportFailure(answer);
            form.reset();
            location.reload();
          }).catch(function () {
            reportFailure(null);
          });
        });
      });

      // A form's submit button also names its flow, but the form posts it.
      var callButtons = document.querySelectorAll('button[data-calls]:not([type="submit"])');
      callButtons.forEach(function (button) {
        button.addEventListener('click', function () {
          call('POST', button.getAttribute('data-calls')).then(function (answer) {
            if (!succeeded(answer)) return reportFailure(answer);
            location.reload();
          }).catch(function () {
            reportFailure(null);
          });
        });
      });

      document.querySelectorAll('button[data-opens]').forEach(function (button) {
        button.addEventListener('click', function () {
          showPage(button.getAttribute('data-opens'));
        });
      });
    });
  )js";

}  // namespace

std::string page_script(std::string_view base_url) {
  std::string out;
  out.reserve(kScriptStart.size() + base_url.size() + 16 + kScriptEnd.size());
  out += kScriptStart;
  append_script_string(out, base_url);
  out += kScriptEnd;
  return out;
}

}  // namespace pellix
