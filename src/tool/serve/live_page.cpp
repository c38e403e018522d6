// The live page: the drawing of the draw command inside a frame that a small
// script keeps up to date from the server's event stream. The drawing and the
// findings are swapped in place, so the page keeps its scroll position, and
// the zoom of the map and the profile is put back on the new drawing.
#include "tool/serve/live_page.h"

namespace compila::serve {

const std::string_view live_page_html = R"live(<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8"><meta name="viewport" content="width=device-width">
<title>scenario_tool serve</title><link rel="stylesheet" href="/live.css"></head>
<body>
<div id="bar"><span id="status">Connecting to scenario_tool serve&#8230;</span>
<span id="zoom">Zoom <button type="button" data-zoom="in" title="zoom in">+</button><button type="button"
 data-zoom="out" title="zoom out">&#8722;</button><button type="button" data-zoom="reset">whole</button>
 <small>(wheel to zoom, drag to pan)</small></span></div>
<section id="findings" hidden></section>
<div id="drawing"></div>
<div id="hover" hidden></div>
<script src="/live.js"></script>
</body></html>
)live";

const std::string_view live_page_style = R"live(body{margin:0;font-family:sans-serif}
#bar{position:sticky;top:0;z-index:2;display:flex;justify-content:space-between;gap:1em;padding:6px 12px;
background:#eef4fb;border-bottom:1px solid #9bb;font-size:14px}
#bar.stopped{background:#fde8e8;border-color:#c66;font-weight:bold}
#bar.errors{background:#fff3d6}
#zoom button{margin-left:3px;min-width:2em}
#findings{margin:12px;padding:6px 12px;border:2px solid #c33;border-radius:4px;background:#fff8f8}
#findings.warnings-only{border-color:#c93;background:#fffcf2}
#findings h2{margin:4px 0;font-size:16px}
#findings ul{list-style:none;padding:0;margin:0}
#findings li{margin:6px 0}
#findings .where{font-family:monospace;font-weight:bold}
#findings .error .level{color:#b00}
#findings .warning .level{color:#950}
#findings pre{margin:2px 0 0 2em;padding:2px 6px;background:#f3f3f3;white-space:pre-wrap}
#drawing{padding:0 12px}
#drawing.stale{opacity:.35}
#drawing svg.map,#drawing svg.profile{cursor:grab;touch-action:none}
#hover{position:fixed;z-index:3;pointer-events:none;background:#fffffa;border:1px solid #888;border-radius:3px;
padding:4px 8px;font-size:12px;white-space:pre;box-shadow:1px 1px 4px #0003}
)live";

const std::string_view live_page_script = R"live('use strict';
(function () {
  const bar = document.getElementById('bar');
  const status = document.getElementById('status');
  const findings = document.getElementById('findings');
  const drawing = document.getElementById('drawing');
  const zooms = new Map();  // the zoom of each drawing, by its class: [x, y, width, height] as fractions
  let shownDrawing = null;
  let profile = null;  // the profile's data under the pointer, for the drawing shown

  function element(tag, className, text) {
    const e = document.createElement(tag);
    if (className) e.className = className;
    if (text !== undefined) e.textContent = text;
    return e;
  }

  function plural(n, word) { return n + ' ' + word + (n === 1 ? '' : 's'); }

  function showFindings(view) {
    findings.replaceChildren();
    findings.hidden = view.findings.length === 0;
    const errors = view.findings.filter(f => f.error).length;
    findings.classList.toggle('warnings-only', errors === 0);
    let heading = plural(errors, 'error') + ', ' + plural(view.findings.length - errors, 'warning');
    if (errors > 0) heading += view.stale ? ': below, dimmed, the last good drawing' : ': nothing to draw yet';
    findings.append(element('h2', '', heading));
    const list = element('ul');
    for (const f of view.findings) {
      const item = element('li', f.error ? 'error' : 'warning');
      if (f.where) item.append(element('span', 'where', f.where), ': ');
      item.append(element('span', 'level', f.error ? 'error: ' : 'warning: '), f.message);
      if (f.line) item.append(element('pre', 'line', f.line));
      list.append(item);
    }
    findings.append(list);
  }

  function showDrawing(view) {
    drawing.classList.toggle('stale', view.stale);
    if (view.drawing === shownDrawing) return;
    const x = window.scrollX, y = window.scrollY;
    drawing.innerHTML = view.drawing;
    shownDrawing = view.drawing;
    profile = view.profile;
    for (const svg of drawings()) applyZoom(svg);
    window.scrollTo(x, y);
  }

  function show(view) {
    if (!view) return;
    showFindings(view);
    showDrawing(view);
    document.body.dataset.save = view.save;
    if (view.title) document.title = view.title + ' \u2014 scenario_tool serve';
    bar.classList.remove('stopped');
    bar.classList.toggle('errors', view.has_errors);
    const time = new Date().toLocaleTimeString();
    status.textContent = view.has_errors ? 'Save ' + view.save + ' at ' + time + ' has errors'
                                         : 'Save ' + view.save + ' drawn at ' + time;
  }

  const events = new EventSource('/events');
  events.addEventListener('view', e => show(JSON.parse(e.data)));
  events.onerror = () => {
    bar.classList.add('stopped');
    document.body.classList.add('stopped');
    status.textContent = 'The server has stopped: this page no longer follows the folder ' +
                         '(it comes back by itself when scenario_tool serve runs again on this port).';
  };
  events.onopen = () => document.body.classList.remove('stopped');

  // Under the pointer on the profile: the chainage, the line's values there
  // and the records of the sources that placed something within a few pixels.
  const hover = document.getElementById('hover');
  function runAt(runs, cell) {  // the index of the run holding `cell`, or -1
    let low = 0, high = runs.length - 1, found = -1;
    while (low <= high) {
      const middle = (low + high) >> 1;
      if (runs[middle][0] <= cell) { found = middle; low = middle + 1; } else high = middle - 1;
    }
    return found >= 0 && cell <= runs[found][1] ? found : -1;
  }
  function metres(m) { return Math.round(m).toLocaleString('en-US') + ' m'; }
  function describe(svg, e) {
    const ctm = svg.getScreenCTM();
    const x = new DOMPoint(e.clientX, e.clientY).matrixTransform(ctm.inverse()).x;
    const m = (x - profile.left) / profile.width * profile.extent_m;
    if (m < 0 || m > profile.extent_m) return null;
    const cell = Math.floor(m / profile.cell_m);
    const lines = ['chainage ' + metres(m) + ' (cell ' + cell + ')'];
    const g = runAt(profile.gradient, cell);
    if (g >= 0) {
      const r = profile.gradient[g];
      const height = profile.height_m[g] + (m - r[0] * profile.cell_m) * r[2] / 1000;
      lines.push('height ' + height.toFixed(1) + ' m', 'gradient ' + r[2] + ' \u2030');
    }
    const s = runAt(profile.speed, cell);
    if (s >= 0) lines.push('speed limit ' + profile.speed[s][2] + ' km/h');
    const a = runAt(profile.adhesion, cell);
    if (a >= 0) lines.push('adhesion ' + profile.adhesion[a][2] + ' %');
    const near = Math.max(profile.cell_m / 2, 4 / ctm.a * profile.extent_m / profile.width);
    const placed = new Set();  // one record may place several cells
    for (const record of profile.records)
      if (Math.abs(record[0] * profile.cell_m - m) <= near) placed.add(record[1] + '  ' + record[2]);
    lines.push(...placed);
    return lines.join('\n');
  }
  drawing.addEventListener('mousemove', e => {
    const svg = e.target.closest('svg.profile');
    const text = svg && profile && !drag ? describe(svg, e) : null;
    hover.hidden = !text;
    if (!text) return;
    hover.textContent = text;
    hover.style.left = Math.min(e.clientX + 14, window.innerWidth - hover.offsetWidth - 4) + 'px';
    hover.style.top = (e.clientY + 14) + 'px';
  });
  drawing.addEventListener('mouseleave', () => { hover.hidden = true; });

  // Zoom and pan: the map on both axes, the profile along the chainage only.
  function drawings() { return drawing.querySelectorAll('svg.map, svg.profile'); }
  function key(svg) { return svg.classList.contains('map') ? 'map' : 'profile'; }
  function whole(svg) {
    if (!svg.dataset.whole) svg.dataset.whole = svg.getAttribute('viewBox');
    return svg.dataset.whole.split(/[\s,]+/).map(Number);
  }
  function applyZoom(svg) {
    const w = whole(svg), f = zooms.get(key(svg)) || [0, 0, 1, 1];
    svg.setAttribute('viewBox', [w[0] + f[0] * w[2], w[1] + f[1] * w[3], f[2] * w[2], f[3] * w[3]].join(' '));
  }
  function clamp(v, low, high) { return Math.min(Math.max(v, low), high); }
  function zoomAt(svg, factor, px, py) {
    const f = (zooms.get(key(svg)) || [0, 0, 1, 1]).slice();
    const both = key(svg) === 'map';
    const width = clamp(f[2] * factor, 1 / 500, 1);
    f[0] = clamp(f[0] + (f[2] - width) * px, 0, 1 - width);
    f[2] = width;
    if (both) {
      const height = clamp(f[3] * factor, 1 / 500, 1);
      f[1] = clamp(f[1] + (f[3] - height) * py, 0, 1 - height);
      f[3] = height;
    }
    zooms.set(key(svg), f);
    applyZoom(svg);
  }
  function panBy(svg, dx, dy) {
    const f = (zooms.get(key(svg)) || [0, 0, 1, 1]).slice();
    f[0] = clamp(f[0] - dx * f[2], 0, 1 - f[2]);
    if (key(svg) === 'map') f[1] = clamp(f[1] - dy * f[3], 0, 1 - f[3]);
    zooms.set(key(svg), f);
    applyZoom(svg);
  }
  drawing.addEventListener('wheel', e => {
    const svg = e.target.closest('svg.map, svg.profile');
    if (!svg) return;
    e.preventDefault();
    const r = svg.getBoundingClientRect();
    zoomAt(svg, e.deltaY > 0 ? 1.25 : 0.8, (e.clientX - r.left) / r.width, (e.clientY - r.top) / r.height);
  }, {passive: false});
  let drag = null;
  drawing.addEventListener('pointerdown', e => {
    const svg = e.target.closest('svg.map, svg.profile');
    if (!svg) return;
    drag = {svg, x: e.clientX, y: e.clientY};
    svg.setPointerCapture(e.pointerId);
  });
  drawing.addEventListener('pointermove', e => {
    if (!drag) return;
    const r = drag.svg.getBoundingClientRect();
    panBy(drag.svg, (e.clientX - drag.x) / r.width, (e.clientY - drag.y) / r.height);
    drag.x = e.clientX;
    drag.y = e.clientY;
  });
  drawing.addEventListener('pointerup', () => { drag = null; });
  document.getElementById('zoom').addEventListener('click', e => {
    const what = e.target.dataset && e.target.dataset.zoom;
    if (!what) return;
    if (what === 'reset') zooms.clear();
    for (const svg of drawings()) {
      if (what === 'reset') applyZoom(svg);
      else zoomAt(svg, what === 'in' ? 0.8 : 1.25, 0.5, 0.5);
    }
  });
})();
)live";

}  // namespace compila::serve
