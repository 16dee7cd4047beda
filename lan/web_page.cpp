#include "lan/web_page.h"

const QByteArray& web_page_html() {
    static const QByteArray page = R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>KVT units</title>
<script src="/app.js" defer></script>
</head>
<body>
<h1>KVT units</h1>
<p><label>Token <input id="token" type="password" autocomplete="off"></label>
<span id="status"></span></p>
<ul id="units"></ul>
</body>
</html>
)";
    return page;
}

const QByteArray& web_page_script() {
    static const QByteArray script = R"("use strict";
const list = document.getElementById("units");
const token = document.getElementById("token");
const status = document.getElementById("status");

async function getJson(path) {
    const answer = await fetch(path);
    return answer.json();
}

async function load() {
    const units = await getJson("/api/units");
    const rows = [];
    for (const unit of units) {
        const detail = await getJson("/api/units/" + encodeURIComponent(unit.name));
        const row = document.createElement("li");
        row.textContent = [unit.name, unit.model, unit.serial_number, unit.state].join(" ");
        for (const [sw, position] of Object.entries(detail.positions || {})) {
            const label = document.createElement("label");
            label.textContent = " " + sw + " ";
            const input = document.createElement("input");
            input.type = "number";
            input.value = position;
            input.addEventListener("change", () => move(unit.name, sw, Number(input.value)));
            label.append(input);
            row.append(label);
        }
        rows.push(row);
    }
    list.replaceChildren(...rows);
}

async function move(name, sw, position) {
    const answer = await fetch(
        "/api/units/" + encodeURIComponent(name) + "/switches/" + encodeURIComponent(sw), {
            method: "PUT",
            headers: {"Authorization": "Bearer " + token.value,
                      "Content-Type": "application/json"},
            body: JSON.stringify({position: position}),
        });
    const body = await answer.json();
    status.textContent = answer.ok ? "" : String(body.detail);
    load();
}

const events = new EventSource("/api/events");
events.addEventListener("position", load);
events.addEventListener("unit", load);
load();
)";
    return script;
}
