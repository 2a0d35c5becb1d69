// Checks a line diagram as a person would look at it, inside the browser
// that drew it. The test writes the station names the drawing must show in
// place of the list's name below, and reads back one line per check from
// the element with the id "check-results": "ok NAME" or "fail NAME: WHY".
(function () {
  'use strict';
  var expected = EXPECTED_NAMES;
  var results = [];
  function report(name, failure) { results.push(failure ? 'fail ' + name + ': ' + failure : 'ok ' + name); }
  function attempt(name, check) {
    try { report(name, check()); } catch (e) { report(name, 'threw ' + e); }
  }
  var svg = document.getElementById('line-plot');
  function shown(el) { return !el.closest('[display="none"]'); }
  // The box an element covers on the screen, from its own getBBox.
  function screenBox(el) {
    var b = el.getBBox(), m = el.getScreenCTM();
    var xs = [], ys = [];
    [[b.x, b.y], [b.x + b.width, b.y], [b.x, b.y + b.height], [b.x + b.width, b.y + b.height]]
        .forEach(function (c) {
          var p = svg.createSVGPoint();
          p.x = c[0]; p.y = c[1];
          p = p.matrixTransform(m);
          xs.push(p.x); ys.push(p.y);
        });
    var box = { x0: Math.min.apply(null, xs), x1: Math.max.apply(null, xs),
                y0: Math.min.apply(null, ys), y1: Math.max.apply(null, ys) };
    box.w = box.x1 - box.x0; box.h = box.y1 - box.y0;
    return box;
  }
  function texts(selector) {
    return Array.prototype.slice.call(document.querySelectorAll(selector)).filter(shown);
  }

  // Zoomed in (a stretch named in the address), the track runs on past the
  // plan's edges.
  if (!location.hash) attempt('track spans the plan', function () {
    var frame = screenBox(document.querySelector('#plan .frame'));
    var track = screenBox(document.getElementById('track'));
    var fill = Math.max(track.w / frame.w, track.h / frame.h);
    if (fill < 0.8) return 'the track fills ' + Math.round(fill * 100) + '% of the plan';
    if (track.x0 < frame.x0 - 1 || track.x1 > frame.x1 + 1 || track.y0 < frame.y0 - 1 || track.y1 > frame.y1 + 1)
      return 'the track leaves the plan';
  });

  attempt('every station named in the plan and the profile', function () {
    var missing = [];
    [['plan', '#plan-labels .station-name'], ['profile', '#profile-labels .station-name']]
        .forEach(function (where) {
          var seen = texts(where[1]).map(function (t) { return t.textContent; });
          expected.forEach(function (name) {
            if (!seen.some(function (s) { return s.indexOf(name) === 0; })) missing.push(where[0] + ' ' + name);
          });
        });
    if (missing.length) return 'not shown: ' + missing.join(', ');
  });

  attempt('station names stay on the page', function () {
    var page = svg.getBoundingClientRect(), out = [];
    texts('.station-name').forEach(function (t) {
      var b = screenBox(t);
      if (b.x0 < page.left - 0.5 || b.x1 > page.right + 0.5 || b.y0 < page.top - 0.5 || b.y1 > page.bottom + 0.5)
        out.push(t.textContent);
    });
    if (out.length) return out.join(', ');
  });

  var tip = document.getElementById('tip');
  if (tip) {
    attempt('pointing at a station shows its values', function () {
      var frame = document.querySelector('#plan .frame').getBoundingClientRect();
      var pins = Array.prototype.slice.call(document.querySelectorAll('#plan .pp[data-item] .station-dot'))
          .filter(function (p) {
            var r = p.getBoundingClientRect(), x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
            return x > frame.left && x < frame.right && y > frame.top && y < frame.bottom;
          });
      if (!pins.length) return 'no station on the plan';
      // A station whose dot is not under another one's (stations a few
      // pixels apart on the plan overlap there).
      var item = null, pin = null, x = 0, y = 0, under = null;
      for (var k = 0; k < pins.length && !item; k++) {
        var dot = pins[(Math.floor(pins.length / 2) + k) % pins.length];
        dot.scrollIntoView({ block: 'center' });
        var r = dot.getBoundingClientRect();
        x = (r.left + r.right) / 2; y = (r.top + r.bottom) / 2;
        under = document.elementFromPoint(x, y);
        pin = dot.closest('[data-item]');
        if (under && under.closest('[data-item]') &&
            under.closest('[data-item]').getAttribute('data-item') === pin.getAttribute('data-item'))
          item = under.closest('[data-item]');
      }
      if (!item) return 'every station is covered by something else';
      under.dispatchEvent(new MouseEvent('mouseover', { bubbles: true, clientX: x, clientY: y }));
      var title = pin.querySelector('title').textContent;
      var name = title.split('\n')[0];
      if (getComputedStyle(tip).display === 'none') return 'no values shown';
      var t = tip.textContent;
      if (t.indexOf(name) < 0) return 'the values do not name ' + name;
      var fields = ['position', 'kind', 'time', 'line speed'];
      for (var i = 0; i < fields.length; i++) if (t.indexOf(fields[i]) < 0) return 'no ' + fields[i] + ' in: ' + t;
      var position = /position: (km [-0-9+]+)/.exec(title);
      if (!position || t.indexOf(position[1]) < 0) return 'the position is not shown: ' + t;
      if (!document.querySelector('#profile [data-item="' + item.getAttribute('data-item') + '"].hi'))
        return 'the station is not marked in the profile';
    });
  }

  if (tip && document.getElementById('plan-world')) {
    attempt('pointing along the profile marks the place on the plan', function () {
      var lane = document.querySelector('#profile .frame');
      lane.scrollIntoView({ block: 'center' });
      var r = lane.getBoundingClientRect(), x = r.left + r.width * 0.5, y = r.top + 3;
      svg.dispatchEvent(new PointerEvent('pointermove', { bubbles: true, clientX: x, clientY: y }));
      var said = document.getElementById('readout').textContent;
      if (!/^km \d+\+\d{3} .*height .*gradient .*line speed \d+ km\/h$/.test(said)) return 'the values read: ' + said;
      var rings = Array.prototype.slice.call(document.querySelectorAll('#plan > circle')).filter(shown);
      if (rings.length !== 1) return 'no mark on the plan';
      var frame = document.querySelector('#plan .frame').getBoundingClientRect();
      var ring = rings[0].getBoundingClientRect();
      if (ring.left < frame.left || ring.right > frame.right || ring.top < frame.top || ring.bottom > frame.bottom)
        return 'the mark is off the plan';
    });
  }

  if (tip && !location.hash) {
    attempt('zooming the profile zooms the plan with it, and a double click undoes it', function () {
      var axis = document.getElementById('distance-axis'), world = document.getElementById('plan-world');
      var before = axis.textContent;
      var lane = document.querySelector('#profile .frame');
      lane.scrollIntoView({ block: 'center' });
      var r = lane.getBoundingClientRect(), x = r.left + r.width * 0.4, y = (r.top + r.bottom) / 2;
      for (var i = 0; i < 6; i++)
        svg.dispatchEvent(new WheelEvent('wheel', { deltaY: -300, clientX: x, clientY: y, bubbles: true, cancelable: true }));
      if (axis.textContent === before) return 'the distance axis did not change';
      var m = world.getAttribute('transform');
      if (!m || !/matrix\(([0-9.]+)/.test(m) || +/matrix\(([0-9.]+)/.exec(m)[1] <= 1) return 'the plan did not zoom: ' + m;
      var names = texts('.station-name').map(screenBox);
      for (var a = 0; a < names.length; a++)
        for (var b = a + 1; b < names.length; b++) {
          var w = Math.min(names[a].x1, names[b].x1) - Math.max(names[a].x0, names[b].x0);
          var h = Math.min(names[a].y1, names[b].y1) - Math.max(names[a].y0, names[b].y0);
          if (w > 0.5 && h > 0.5) return 'names overlap once zoomed';
        }
      svg.dispatchEvent(new MouseEvent('dblclick', { bubbles: true, clientX: x, clientY: y }));
      if (axis.textContent !== before) return 'a double click did not bring back the whole stretch';
    });
  }

  // The page opens whole in the window: the plan, every panel of the
  // profile and the time panel inside it, and nothing to scroll to.
  if (document.body && document.getElementById('tip')) attempt('the drawing fits the window', function () {
    var out = [], W = window.innerWidth, H = window.innerHeight;
    var root = document.scrollingElement || document.documentElement;
    if (root.scrollHeight > H + 1 || root.scrollWidth > W + 1)
      out.push('the page scrolls: ' + root.scrollWidth + 'x' + root.scrollHeight + ' in ' + W + 'x' + H);
    Array.prototype.slice.call(document.querySelectorAll('#plan .frame, #profile .frame')).forEach(function (f) {
      var r = f.getBoundingClientRect();
      if (r.left < -0.5 || r.top < -0.5 || r.right > W + 0.5 || r.bottom > H + 0.5)
        out.push('a panel reaches ' + Math.round(r.right) + ',' + Math.round(r.bottom));
    });
    if (document.querySelectorAll('#profile .frame').length < 5) out.push('a panel is missing');
    if (out.length) return out.join('; ');
  });

  // Every label of the drawing: names, sign texts, values, kilometres.
  // Station names among them: every label against every other.
  attempt('no two labels overlap', function () {
    var boxes = texts('.station-name, .sign-name, .value, .kmpost, .km-label, .time-label')
        .filter(function (t) { return t.textContent.length; })
        .map(function (t) { return [t.textContent, screenBox(t)]; });
    var clashes = [];
    for (var i = 0; i < boxes.length; i++)
      for (var j = i + 1; j < boxes.length; j++) {
        var a = boxes[i][1], b = boxes[j][1];
        var w = Math.min(a.x1, b.x1) - Math.max(a.x0, b.x0), h = Math.min(a.y1, b.y1) - Math.max(a.y0, b.y0);
        if (w > 0.5 && h > 0.5) clashes.push(boxes[i][0] + ' / ' + boxes[j][0]);
      }
    if (clashes.length) return clashes.slice(0, 12).join('; ');
  });

  // What stands at a point is drawn whole where the stretch ends, or not at
  // all: never cut by the edge of its panel.
  attempt('no item cut at an edge', function () {
    var clip = document.querySelector('#items-clip rect');
    if (!clip) return 'no clip of the items';
    // A clip path's rectangle is not drawn: its place from its attributes.
    var m = svg.getScreenCTM(), p0 = svg.createSVGPoint(), p1 = svg.createSVGPoint();
    p0.x = +clip.getAttribute('x'); p0.y = +clip.getAttribute('y');
    p1.x = p0.x + +clip.getAttribute('width'); p1.y = p0.y + +clip.getAttribute('height');
    p0 = p0.matrixTransform(m); p1 = p1.matrixTransform(m);
    var c = { left: p0.x, right: p1.x }, cut = [];
    Array.prototype.slice.call(document.querySelectorAll('#profile .dp[data-item]')).filter(shown)
        .forEach(function (g) {
          var r = g.getBoundingClientRect();
          if (!r.width && !r.height) return;
          var meets = r.right > c.left && r.left < c.right;
          var inside = r.left >= c.left - 0.5 && r.right <= c.right + 0.5;
          if (meets && !inside) cut.push(g.querySelector('title') ? g.querySelector('title').textContent.split('\n')[0] : g.getAttribute('data-item'));
        });
    if (cut.length) return 'cut: ' + cut.join(', ');
  });

  var out = document.createElementNS(svg.namespaceURI, 'desc');
  if (document.body) out = document.createElement('pre');
  out.id = 'check-results';
  out.textContent = '\n' + results.join('\n') + '\n';
  (document.body || svg).appendChild(out);
})();
