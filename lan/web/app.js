"use strict";
// Every text from kvt-lan or a unit goes into the page as text, never as markup.
const LXI = "http://www.lxistandard.org/InstrumentIdentification/1.0";
const TOKEN_KEY = "kvt-lan-token";
const byId = (id) => document.getElementById(id);
const cards = new Map();
let models = {};

function say(text, fault) {
    byId("status").textContent = text;
    byId("status").classList.toggle("fault", Boolean(fault));
}

function token() {
    return sessionStorage.getItem(TOKEN_KEY) || "";
}

function showToken() {
    const held = token() !== "";
    byId("token-form").hidden = held;
    byId("token-held").hidden = !held;
}

function unitPath(name) {
    return "/api/units/" + encodeURIComponent(name);
}

async function getJson(path) {
    const answer = await fetch(path, {cache: "no-store"});
    if (!answer.ok) {
        throw new Error(path + ": " + answer.status);
    }
    return answer.json();
}

async function loadWelcome() {
    const answer = await fetch("/lxi/identification", {cache: "no-store"});
    const xml = new DOMParser().parseFromString(await answer.text(), "application/xml");
    const field = (tag) => {
        const found = xml.getElementsByTagNameNS(LXI, tag)[0];
        return found ? found.textContent : "";
    };
    const rows = [
        ["Model", field("Model")],
        ["Manufacturer", field("Manufacturer")],
        ["Serial number", field("SerialNumber")],
        ["Description", field("UserDescription")],
        ["Firmware revision", field("FirmwareRevision")],
        ["Host name", field("Hostname")],
        ["IP address", field("IPAddress")],
        ["MAC address", field("MACAddress")],
        ["VISA resource", field("InstrumentAddressString")],
        ["LXI version", field("LXIVersion")],
    ];
    const list = byId("welcome");
    list.replaceChildren();
    for (const [label, value] of rows) {
        const term = document.createElement("dt");
        term.textContent = label;
        const text = document.createElement("dd");
        text.textContent = value;
        list.append(term, text);
    }
    byId("host").textContent = "on " + field("Hostname");
    document.title = "kvt-lan on " + field("Hostname");
}

function positionsOf(model) {
    const numbers = [];
    for (let p = model.first_position; p <= model.last_position; ++p) {
        numbers.push(p);
    }
    return numbers;
}

function light(name, sw, position) {
    const card = cards.get(name);
    const row = card && card.rows.get(sw);
    if (!row) {
        return;
    }
    row.classList.toggle("unknown", position === null);
    for (const button of row.querySelectorAll(".position")) {
        const lit = Number(button.dataset.position) === position;
        button.classList.toggle("lit", lit);
        button.setAttribute("aria-pressed", String(lit));
    }
}

function buildCard(unit) {
    const card = byId("unit-card").content.firstElementChild.cloneNode(true);
    card.dataset.name = unit.name;
    card.querySelector(".name").textContent = unit.name;
    const state = card.querySelector(".state");
    state.textContent = unit.state;
    state.classList.add(unit.state);
    card.querySelector(".identity").textContent =
        [unit.model, unit.serial_number, unit.software_version].filter(Boolean).join(" · ");
    const model = Object.prototype.hasOwnProperty.call(models, unit.model) ? models[unit.model]
                                                                            : null;
    const picture = card.querySelector(".panel");
    const rows = new Map();
    if (model && unit.state === "running") {
        picture.src = model.picture;
        picture.alt = unit.model + " front panel";
        const body = card.querySelector("tbody");
        for (const sw of model.switches) {
            const row = document.createElement("tr");
            row.dataset.switch = sw;
            const head = document.createElement("th");
            head.textContent = "Switch " + sw;
            const cell = document.createElement("td");
            for (const position of positionsOf(model)) {
                const button = document.createElement("button");
                button.type = "button";
                button.className = "position";
                button.dataset.position = String(position);
                button.textContent = String(position);
                button.title = "Switch " + sw + " to position " + position;
                button.addEventListener("click", () => move(unit.name, sw, position, row));
                cell.append(button);
            }
            row.append(head, cell);
            body.append(row);
            rows.set(sw, row);
        }
    } else {
        picture.remove();
    }
    cards.set(unit.name, {element: card, rows: rows});
    return card;
}

async function loadUnits() {
    const units = await getJson("/api/units");
    cards.clear();
    const built = units.map(buildCard);
    byId("units").replaceChildren(...built);
    byId("no-units").hidden = units.length !== 0;
    await Promise.all(units.filter((unit) => unit.state === "running").map(async (unit) => {
        try {
            const detail = await getJson(unitPath(unit.name));
            for (const [sw, position] of Object.entries(detail.positions || {})) {
                light(unit.name, sw, position);
            }
        } catch (error) {
            say("Unit " + unit.name + " did not say where its switches stand", true);
        }
    }));
}

async function move(name, sw, position, row) {
    if (token() === "") {
        say("Enter the token to switch units.", true);
        byId("token").focus();
        return;
    }
    const buttons = row.querySelectorAll(".position");
    buttons.forEach((button) => { button.disabled = true; });
    const wire = cards.get(name).element.querySelector(".wire");
    try {
        const answer = await fetch(unitPath(name) + "/switches/" + encodeURIComponent(sw), {
            method: "PUT",
            headers: {"Authorization": "Bearer " + token(), "Content-Type": "application/json"},
            body: JSON.stringify({position: position}),
        });
        const body = await answer.json();
        if (answer.status === 401) {
            sessionStorage.removeItem(TOKEN_KEY);
            showToken();
        }
        // Only what the unit reported is shown, never the position asked for.
        const reported = Number.isInteger(body.position) ? body.position : null;
        light(name, sw, reported);
        wire.textContent = "Set " + sw + " to " + position + " · unit reports " +
                           (reported === null ? "nothing" : reported);
        say(answer.ok ? "" : name + ": " + String(body.detail), !answer.ok);
    } catch (error) {
        light(name, sw, null);
        say("kvt-lan did not answer: " + error.message, true);
    } finally {
        buttons.forEach((button) => { button.disabled = false; });
        refreshRecords();
    }
}

// The newest records first, a screenful of them.
const HISTORY_ROWS = 15;

function tableRows(body, rows) {
    body.replaceChildren(...rows.map((cells) => {
        const row = document.createElement("tr");
        for (const text of cells) {
            const cell = document.createElement("td");
            cell.textContent = text;
            row.append(cell);
        }
        return row;
    }));
}

async function loadRecords() {
    const [history, wear] = await Promise.all([getJson("/api/history"), getJson("/api/wear")]);
    const source = (record) => [record.source, record.route, record.protocol, record.client]
        .filter((part) => part !== null && part !== undefined).join(" ");
    tableRows(byId("history"), history.slice(-HISTORY_ROWS).reverse().map((record) => [
        record.time.replace("T", " ").replace("Z", ""), record.serial_number, record.switch,
        record.from === null ? "?" : String(record.from), String(record.to), source(record)]));
    tableRows(byId("wear"), wear.map((one) => [one.serial_number, one.switch, String(one.count)]));
}

async function loadRoutes() {
    const routes = await getJson("/api/routes");
    byId("no-routes").hidden = routes.length !== 0;
    byId("routes").replaceChildren(...routes.map((route) => {
        const row = document.createElement("tr");
        const name = document.createElement("td");
        name.textContent = route.name;
        const state = document.createElement("td");
        if (route.active) {
            const badge = document.createElement("span");
            badge.className = "state running";
            badge.textContent = "stands";
            state.append(badge);
        }
        const action = document.createElement("td");
        const button = document.createElement("button");
        button.type = "button";
        button.textContent = "Apply";
        button.addEventListener("click", () => applyRoute(route.name, button));
        action.append(button);
        row.append(name, state, action);
        return row;
    }));
}

async function applyRoute(name, button) {
    if (token() === "") {
        say("Enter the token to apply routes.", true);
        byId("token").focus();
        return;
    }
    button.disabled = true;
    try {
        const answer = await fetch("/api/routes/" + encodeURIComponent(name) + "/apply", {
            method: "POST", headers: {"Authorization": "Bearer " + token()}});
        const body = await answer.json();
        if (answer.status === 401) {
            sessionStorage.removeItem(TOKEN_KEY);
            showToken();
        }
        say(answer.ok ? "Route " + name + " stands." : String(body.detail), !answer.ok);
    } catch (error) {
        say("kvt-lan did not answer: " + error.message, true);
    } finally {
        button.disabled = false;
        refreshRecords();
    }
}

let recordsDue = null;
function refreshRecords() {
    clearTimeout(recordsDue);
    recordsDue = setTimeout(() => Promise.all([loadRecords(), loadRoutes()]).catch(() => {}), 300);
}

function listen() {
    const events = new EventSource("/api/events");
    events.addEventListener("position", (event) => {
        const change = JSON.parse(event.data);
        light(change.name, change.switch, change.position);
        refreshRecords();
    });
    events.addEventListener("unit", () => loadUnits().catch(() => {}));
    events.addEventListener("route", refreshRecords);
}

byId("token-form").addEventListener("submit", (event) => {
    event.preventDefault();
    const typed = byId("token").value.trim();
    byId("token").value = "";
    if (typed !== "") {
        sessionStorage.setItem(TOKEN_KEY, typed);
        say("");
    }
    showToken();
});
byId("forget").addEventListener("click", () => {
    sessionStorage.removeItem(TOKEN_KEY);
    showToken();
});

async function start() {
    showToken();
    try {
        models = await getJson("/api/models");
        await Promise.all([loadWelcome(), loadUnits(), loadRecords(), loadRoutes()]);
    } catch (error) {
        say("kvt-lan did not answer: " + error.message, true);
    }
    listen();
}
start();
