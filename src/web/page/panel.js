// The remote panel in the browser: shows what the server sends, sends what is
// pressed. The server decides everything; nothing here is trusted by it.
"use strict";

const $ = (id) => document.getElementById(id);
let socket = null;
let state = null;
let retry = 500;

function send(message) {
  if (socket && socket.readyState === WebSocket.OPEN) socket.send(JSON.stringify(message));
}

function tell(text) {
  // A repeat must still be spoken: clear the region first.
  const region = $("news");
  region.textContent = "";
  setTimeout(() => { region.textContent = text; }, 50);
  $("last-news").textContent = text;
}

function show(s) {
  state = s;
  $("xmit").value = s.xmit;
  $("rcv").value = s.rcv;
  $("step").value = s.step.trim();
  $("rit").value = s.rit ? "on" : "off";
  $("entry").value = s.entry;
  $("model").textContent = s.model;
  $("heard").value = s.heard;
  const mine = s.control === "you";
  $("control").textContent = mine ? "You have control" : s.control === "other" ? "Another browser has control" : "Watching: nobody has control";
  $("take-control").hidden = mine;
  $("release-control").hidden = !mine;
  $("stop").disabled = !(mine && s.running);
  for (const set of document.querySelectorAll("fieldset")) set.disabled = !mine;
  $("take").disabled = !(mine && s.canTake);
  for (const b of document.querySelectorAll("button[data-b]")) {
    const name = b.dataset.b;
    const held = s.running && s.held === name;
    b.classList.toggle("held", held);
    if (name === "rit-on" || name === "rit-off") b.setAttribute("aria-pressed", String(s.rit === (name === "rit-on")));
    else if (name === "low" || name === "high") b.setAttribute("aria-pressed", String(s.speed.toLowerCase() === name));
    else if (held) b.setAttribute("aria-pressed", "true");
    else b.removeAttribute("aria-pressed");
  }
  $("viewers").textContent = s.viewers === 1 ? "1 browser watching" : s.viewers + " browsers watching";
}

function press(name) {
  // The held-down button stops the run, as on the window.
  if (state && state.running && state.held === name) send({t: "stop"});
  else send({t: "press", b: name});
}

function connect() {
  const url = (location.protocol === "https:" ? "wss://" : "ws://") + location.host + "/";
  socket = new WebSocket(url);
  socket.onopen = () => { retry = 500; $("link").textContent = "Connected"; };
  socket.onmessage = (event) => {
    const m = JSON.parse(event.data);
    if (m.t === "hello") {
      const token = sessionStorage.getItem("corvane-token");
      if (!m.login) { $("login").hidden = true; $("panel").hidden = false; }
      else if (token) send({t: "resume", token: token});
      else showLogin("");
    } else if (m.t === "session") {
      sessionStorage.setItem("corvane-token", m.token);
      $("login").hidden = true;
      $("panel").hidden = false;
      $("pass").value = "";
    } else if (m.t === "denied") {
      sessionStorage.removeItem("corvane-token");
      showLogin(m.why);
    } else if (m.t === "state") {
      show(m);
    } else if (m.t === "news" || m.t === "refused") {
      tell(m.text || m.why);
    }
  };
  socket.onclose = (event) => {
    $("link").textContent = "Disconnected" + (event.reason ? ": " + event.reason : "") + "; reconnecting…";
    setTimeout(connect, retry);
    retry = Math.min(retry * 2, 10000);
  };
}

function showLogin(why) {
  $("panel").hidden = true;
  $("login").hidden = false;
  $("login-why").textContent = why;
  $("pass").focus();
}

const stepKeys = {
  "ArrowUp": ["up1", "up5", null, null], "ArrowDown": ["dn1", "dn5", null, null],
  "PageUp": ["up25", "up125", "up500", "up5k"], "PageDown": ["dn25", "dn125", "dn500", "dn5k"],
};

function onKey(event) {
  if (event.target === $("pass") || !state || state.control !== "you") return;
  if (event.key === "Escape") { send({t: "stop"}); event.preventDefault(); return; }
  const steps = stepKeys[event.key];
  if (steps && !event.altKey) {
    const which = event.ctrlKey ? (event.shiftKey ? 3 : 2) : (event.shiftKey ? 1 : 0);
    if (steps[which]) { send({t: "press", b: steps[which]}); event.preventDefault(); }
    return;
  }
  if (event.altKey && !event.ctrlKey) {
    const k = event.key.toLowerCase();
    const name = k === "s" ? "step" : k === "a" ? "annun" : k === "t" ? "take" : k === "r" ? (state.rit ? "rit-off" : "rit-on") : null;
    if (name) { send({t: "press", b: name}); event.preventDefault(); }
    return;
  }
  if (event.ctrlKey || event.metaKey) return;
  if (/^[0-9.]$/.test(event.key)) { send({t: "press", b: event.key}); event.preventDefault(); return; }
  const onButton = event.target instanceof HTMLButtonElement;
  if (event.key === "Enter" && !onButton) { send({t: "press", b: "E"}); event.preventDefault(); }
}

document.addEventListener("DOMContentLoaded", () => {
  for (const b of document.querySelectorAll("button[data-b]")) b.addEventListener("click", () => press(b.dataset.b));
  $("take-control").addEventListener("click", () => send({t: "take"}));
  $("release-control").addEventListener("click", () => send({t: "release"}));
  $("stop").addEventListener("click", () => send({t: "stop"}));
  $("login").addEventListener("submit", (event) => {
    event.preventDefault();
    $("login-why").textContent = "Checking…";
    send({t: "login", pass: $("pass").value});
  });
  document.addEventListener("keydown", onKey);
  connect();
});
