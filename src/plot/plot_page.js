// The script of the plot's page. The drawing comes laid out for the whole
// stretch; the script moves what the zoom moves and lays the names out
// again, with the same rules as the drawing: names beside their points in
// the plan, spread along the axis in the profile. Built into the program
// (src/plot/page_assets.h) and written into every page as it stands here.
(function () {
  'use strict';
  var D = JSON.parse(document.getElementById('plot-data').textContent);
  var svg = document.getElementById('line-plot');
  var tip = document.getElementById('tip');
  var readout = document.getElementById('readout');
  var all = function (sel) { return Array.prototype.slice.call(svg.querySelectorAll(sel)); };

  function fmt(v, dec) {
    var s = v.toFixed(dec);
    if (s.indexOf('.') >= 0) s = s.replace(/0+$/, '').replace(/\.$/, '');
    return s === '-0' ? '0' : s;
  }
  function niceStep(span, target) {
    if (!(span > 0)) return 1;
    var raw = span / target, mag = Math.pow(10, Math.floor(Math.log10(raw))), n = raw / mag;
    return (n < 1.5 ? 1 : n < 3 ? 2 : n < 7 ? 5 : 10) * mag;
  }
  function distanceLabel(m, step) {
    return fmt(m / 1000, step >= 1000 ? 0 : Math.ceil(-Math.log10(step / 1000) - 1e-9));
  }
  // The kilometre the posts show at metre m: counted up from the line's
  // progressive in force there, or metres from the start where none is.
  function kilometre(m) {
    var k = m, g = D.progressives;
    for (var i = 0; i < g.length; i += 2) if (g[i] <= m) k = g[i + 1] + (m - g[i]);
    return k;
  }
  // The posts between metres a and b: at round kilometres `step` apart, and
  // where a progressive starts ([metre, kilometre, starts]).
  function kmTicks(a, b, step) {
    var parts = [], g = D.progressives, out = [];
    if (!g.length || g[0] > 0) parts.push(0);
    for (var i = 0; i < g.length; i += 2) parts.push(g[i]);
    for (var p = 0; p < parts.length; p++) {
      var start = parts[p], next = p + 1 < parts.length ? parts[p + 1] : Infinity;
      var from = Math.max(a, start), to = Math.min(b, next);
      if (p > 0 && start > b) break;
      if (from > to) continue;
      var k0 = kilometre(start);
      if (p > 0 && start >= a) out.push([start, k0, true]);
      for (var k = Math.ceil((k0 + from - start) / step) * step; start + k - k0 <= to + 1e-6; k += step) {
        var m = start + k - k0;
        if (m >= next) break;
        if (!out.length || out[out.length - 1][0] < m - 1e-6) out.push([m, Math.round(k), false]);
      }
    }
    return out;
  }
  function kmText(m) {
    var a = Math.abs(Math.round(m)), r = String(a % 1000);
    while (r.length < 3) r = '0' + r;
    return 'km ' + (m < 0 ? '-' : '') + Math.floor(a / 1000) + '+' + r;
  }
  function userPoint(e) {
    var p = svg.createSVGPoint();
    p.x = e.clientX; p.y = e.clientY;
    return p.matrixTransform(svg.getScreenCTM().inverse());
  }
  function overlaps(a, b, gap) {
    return a.x0 - gap < b.x1 && b.x0 < a.x1 + gap && a.y0 - gap < b.y1 && b.y0 < a.y1 + gap;
  }
  function segmentMeets(b, ax, ay, bx, by) {
    var t0 = 0, t1 = 1, dx = bx - ax, dy = by - ay;
    var p = [-dx, dx, -dy, dy], q = [ax - b.x0, b.x1 - ax, ay - b.y0, b.y1 - ay];
    for (var i = 0; i < 4; i++) {
      if (p[i] === 0) { if (q[i] < 0) return false; continue; }
      var t = q[i] / p[i];
      if (p[i] < 0) t0 = Math.max(t0, t); else t1 = Math.min(t1, t);
      if (t0 > t1) return false;
    }
    return true;
  }

  // ---- the plan ----------------------------------------------------------
  var P = D.plan;
  var view = { k: 1, tx: 0, ty: 0 };
  var planWorld = document.getElementById('plan-world');
  var planPins = all('#plan .pp');
  var planLabels = all('#plan .pl');
  var DOT_RIM = 5.5;
  var DIRS = [[1, 0], [-1, 0], [0, -1], [0, 1], [.71, -.71], [-.71, -.71], [.71, .71], [-.71, .71],
              [.92, -.38], [-.92, -.38], [.92, .38], [-.92, .38], [.38, -.92], [-.38, -.92],
              [.38, .92], [-.38, .92]];

  function toScreen(x, y) { return [view.k * x + view.tx, view.k * y + view.ty]; }

  // What names should not cover, bucketed by 32-pixel squares.
  function obstacleGrid(frame) {
    var grid = {};
    function add(x, y, cost) {
      if (x < frame.x0 || x > frame.x1 || y < frame.y0 || y > frame.y1) return;
      var key = Math.floor(x / 32) + ',' + Math.floor(y / 32);
      (grid[key] = grid[key] || []).push([x, y, cost]);
    }
    for (var i = 0; i < D.samples.length; i += 3) {
      var s = toScreen(D.samples[i + 1], D.samples[i + 2]);
      add(s[0], s[1], 40);
    }
    planPins.forEach(function (g) {
      var s = toScreen(+g.dataset.x, +g.dataset.y);
      var item = g.dataset.item !== undefined ? D.items[+g.dataset.item] : null;
      add(s[0], s[1], item && item.kind === 'station' ? 400 : 15);
    });
    return function (b) {
      var cost = 0;
      for (var gx = Math.floor((b.x0 - 1) / 32); gx <= Math.floor((b.x1 + 1) / 32); gx++)
        for (var gy = Math.floor((b.y0 - 1) / 32); gy <= Math.floor((b.y1 + 1) / 32); gy++) {
          var cell = grid[gx + ',' + gy];
          if (!cell) continue;
          for (var i = 0; i < cell.length; i++) {
            var o = cell[i];
            if (o[0] >= b.x0 - 1 && o[0] <= b.x1 + 1 && o[1] >= b.y0 - 1 && o[1] <= b.y1 + 1) cost += o[2];
          }
        }
      return cost;
    };
  }

  function layOutPlanLabels() {
    var frame = { x0: P.x0 + 3, y0: P.y0 + 3, x1: P.x1 - 3, y1: P.y1 - 3 };
    var taken = P.reserved.map(function (r) { return { x0: r[0], y0: r[1], x1: r[2], y1: r[3] }; });
    var cover = obstacleGrid(frame);
    var reach = Math.max(frame.x1 - frame.x0, frame.y1 - frame.y0);
    var rings = [];
    for (var r = 5; r <= reach; r = r < 20 ? r + 9 : r * 1.35) rings.push(r);
    planLabels.forEach(function (g) {
      var a = toScreen(+g.dataset.x, +g.dataset.y), w = +g.dataset.w, h = +g.dataset.h;
      var required = g.classList.contains('station-label');
      if (a[0] < frame.x0 || a[0] > frame.x1 || a[1] < frame.y0 || a[1] > frame.y1) {
        g.setAttribute('display', 'none');
        return;
      }
      var best = Infinity, chosen = null, fallbackCost = Infinity, fallback = null;
      for (var ri = 0; ri < rings.length && rings[ri] <= best; ri++) {
        for (var di = 0; di < DIRS.length; di++) {
          var rr = rings[ri], d = DIRS[di];
          var cx = a[0] + d[0] * rr + d[0] * w / 2, cy = a[1] + d[1] * rr + d[1] * h / 2;
          var b = { x0: cx - w / 2, y0: cy - h / 2, x1: cx + w / 2, y1: cy + h / 2 };
          if (b.x0 < frame.x0 || b.x1 > frame.x1 || b.y0 < frame.y0 || b.y1 > frame.y1) continue;
          var leader = rr > 8;
          var lx = Math.min(Math.max(a[0], b.x0), b.x1), ly = Math.min(Math.max(a[1], b.y0), b.y1);
          var blocked = false, covered = 0;
          for (var t = 0; t < taken.length; t++) {
            if (overlaps(b, taken[t], 2)) { blocked = true; covered += 1000; }
            else if (leader && segmentMeets(taken[t], a[0], a[1], lx, ly)) { blocked = true; covered += 20; }
          }
          var cost = rr + di * 0.25 + cover(b);
          var placed = { box: b, leader: leader, lx: lx, ly: ly };
          if (blocked) {
            if (cost + covered < fallbackCost) { fallbackCost = cost + covered; fallback = placed; }
            continue;
          }
          if (cost < best) { best = cost; chosen = placed; }
        }
      }
      var p = chosen || (required ? fallback : null);
      if (!p) { g.setAttribute('display', 'none'); return; }
      g.removeAttribute('display');
      taken.push(p.box);
      var text = g.querySelector('text');
      text.setAttribute('x', (p.box.x0 + p.box.x1) / 2);
      text.setAttribute('y', p.box.y0 + +g.dataset.base);
      var line = g.querySelector('line');
      if (line) {
        var sx = a[0], sy = a[1], len = Math.hypot(p.lx - a[0], p.ly - a[1]);
        if (p.leader && len > 0) { sx += (p.lx - a[0]) / len * DOT_RIM; sy += (p.ly - a[1]) / len * DOT_RIM; }
        line.setAttribute('x1', sx); line.setAttribute('y1', sy);
        line.setAttribute('x2', p.leader ? p.lx : sx); line.setAttribute('y2', p.leader ? p.ly : sy);
      }
    });
  }

  function planGrid() {
    var k = view.k, sk = P.s * k;
    var wx0 = (P.x0 - view.tx - k * P.ox) / sk, wx1 = (P.x1 - view.tx - k * P.ox) / sk;
    var wy0 = (k * P.oy + view.ty - P.y1) / sk, wy1 = (k * P.oy + view.ty - P.y0) / sk;
    var step = niceStep(Math.max(wx1 - wx0, wy1 - wy0), 10), o = '';
    for (var x = Math.ceil(wx0 / step) * step; x <= wx1; x += step) {
      var px = k * (P.ox + P.s * x) + view.tx;
      o += '<line class="grid" x1="' + px + '" y1="' + P.y0 + '" x2="' + px + '" y2="' + P.y1 +
           '"/><text class="tick" x="' + px + '" y="' + (P.y1 + 13) + '" text-anchor="middle">' +
           distanceLabel(x, step) + '</text>';
    }
    for (var y = Math.ceil(wy0 / step) * step; y <= wy1; y += step) {
      var py = k * (P.oy - P.s * y) + view.ty;
      o += '<line class="grid" x1="' + P.x0 + '" y1="' + py + '" x2="' + P.x1 + '" y2="' + py +
           '"/><text class="tick" x="' + (P.x0 - 5) + '" y="' + (py + 3.5) + '" text-anchor="end">' +
           distanceLabel(y, step) + '</text>';
    }
    o += '<text class="axis-title" x="' + P.x1 + '" y="' + (P.y1 + 26) +
         '" text-anchor="end">east of the start, km</text><text class="axis-title" x="' +
         (P.x0 - 5) + '" y="' + (P.y0 - 5) + '" text-anchor="end">north, km</text>';
    document.getElementById('plan-grid').innerHTML = o;
  }

  function scaleBar() {
    var metres = niceStep(150 / (P.s * view.k), 1), len = metres * P.s * view.k;
    var x = P.x0 + 14, y = P.y1 - 16, o = '';
    for (var i = 0; i < 4; i++)
      o += '<rect x="' + (x + len * i / 4) + '" y="' + y + '" width="' + len / 4 +
           '" height="5" fill="' + (i % 2 ? '#fff' : '#333') + '" stroke="#333" stroke-width="0.8"/>';
    o += '<text class="tick" x="' + x + '" y="' + (y - 4) + '">0</text><text class="tick" x="' +
         (x + len) + '" y="' + (y - 4) + '" text-anchor="middle">' +
         (metres >= 1000 ? fmt(metres / 1000, 1) + ' km' : fmt(metres, 0) + ' m') + '</text>';
    document.getElementById('scale-bar').innerHTML = o;
  }

  function applyPlan() {
    if (!P) return;
    planWorld.setAttribute('transform',
        'matrix(' + [view.k, 0, 0, view.k, view.tx, view.ty].join(' ') + ')');
    planPins.forEach(function (g) {
      var s = toScreen(+g.dataset.x, +g.dataset.y);
      g.setAttribute('transform', 'translate(' + s[0] + ' ' + s[1] + ')');
    });
    layOutPlanLabels();
    planGrid();
    scaleBar();
  }

  // ---- the profile -------------------------------------------------------
  var Q = D.profile;
  var span = { a: D.from, b: D.to };
  var minSpan = Math.max(100, (D.to - D.from) / 2000);
  var profileWorld = document.getElementById('profile-world');
  var profilePins = all('#profile .dp');
  var profileLabels = all('#profile .sl');

  function spread(anchors, pitch, lo, hi) {
    var order = anchors.map(function (_, i) { return i; });
    order.sort(function (a, b) { return anchors[a] - anchors[b] || a - b; });
    var runs = [];
    function settle(r) {
      r.start = Math.max(Math.min(r.sum / r.count, hi - (r.count - 1) * pitch), lo);
    }
    order.forEach(function (idx, i) {
      var r = { first: i, count: 1, sum: anchors[idx], start: 0 };
      settle(r);
      while (runs.length && runs[runs.length - 1].start + runs[runs.length - 1].count * pitch > r.start) {
        var prev = runs.pop();
        prev.sum += r.sum - r.count * prev.count * pitch;
        prev.count += r.count;
        settle(prev);
        r = prev;
      }
      runs.push(r);
    });
    var out = [];
    runs.forEach(function (r) {
      for (var k = 0; k < r.count; k++) out[order[r.first + k]] = r.start + k * pitch;
    });
    return out;
  }

  function xOf(m) { return D.left + (m - span.a) / (span.b - span.a) * D.inner; }

  function distanceAxis() {
    var w = span.b - span.a, step = niceStep(w, 12), o = '', y = Q.axisY;
    o += '<line stroke="#555" x1="' + D.left + '" y1="' + y + '" x2="' + (D.left + D.inner) +
         '" y2="' + y + '"/>';
    var lastRight = -1e9;
    kmTicks(span.a, span.b, step).forEach(function (t) {
      var x = xOf(t[0]);
      var label = t[2] ? kmText(t[1]).slice(3) : distanceLabel(t[1], step);
      o += '<line stroke="#555" x1="' + x + '" y1="' + y + '" x2="' + x + '" y2="' + (y + (t[2] ? 9 : 5)) + '"/>';
      var half = label.length * 3.4;
      if (x - half < lastRight + 4) return;
      lastRight = x + half;
      o += '<text class="tick km-label' + (t[2] ? ' progressive' : '') + '" x="' + x + '" y="' + (y + 17) +
           '" text-anchor="middle">' + label + '</text>';
    });
    o += '<text class="axis-title" x="' + (D.left + D.inner) + '" y="' + (y + 31) + '" text-anchor="end">' +
         (D.progressives.length ? 'kilometres as the posts show them (the line\'s progressives)'
                                : 'distance along the line, km') + '</text>';
    document.getElementById('distance-axis').innerHTML = o;
  }

  // The stretch in sight is kept in the address ("#29000-40000"), so that a
  // reload (the watch's after each compile, or the author's own) opens on the
  // same stretch, and the address can be passed on. Written once the zoom has
  // settled: browsers throttle a page that rewrites its address too often.
  var remembering = null;
  function rememberStretch() {
    clearTimeout(remembering);
    remembering = setTimeout(function () {
      var whole = span.a <= D.from && span.b >= D.to;
      var hash = whole ? '' : '#' + Math.round(span.a) + '-' + Math.round(span.b);
      if (hash === location.hash) return;
      try {
        history.replaceState(null, '', location.pathname + location.search + hash);
      } catch (e) {
        // A browser that keeps a saved page's address as it is: the zoom
        // still works, the reload opens on the whole line.
      }
    }, 250);
  }

  function applyProfile() {
    var u0 = D.inner / (D.to - D.from), u = D.inner / (span.b - span.a);
    var kx = u / u0, tx = D.left + (D.from - span.a) * u - D.left * kx;
    profileWorld.setAttribute('transform', 'matrix(' + kx + ' 0 0 1 ' + tx + ' 0)');
    profilePins.forEach(function (g) {
      var x = kx * +g.dataset.x + tx;
      if (g.classList.contains('vl')) {
        // A value stands over the middle of the part of its run in sight.
        var half = +g.dataset.w * kx / 2;
        var x0 = Math.max(x - half, D.left), x1 = Math.min(x + half, D.left + D.inner);
        x = (x0 + x1) / 2;
        if (x1 - x0 >= +g.dataset.tw + 6) g.removeAttribute('display'); else g.setAttribute('display', 'none');
      } else if (x < D.left - 0.5 || x > D.left + D.inner + 0.5) {
        // Past the edge of the stretch in sight: left out, never cut.
        g.setAttribute('display', 'none');
      } else {
        g.removeAttribute('display');
      }
      g.setAttribute('transform', 'translate(' + x + ' 0)');
    });
    // The times in the time panel, each beside its point where it covers
    // no time set before (as the drawing sets them).
    var tv = fitTime(kx, tx);
    var times = [], T = D.time;
    all('#profile .time-mark').forEach(function (g) {
      if (g.getAttribute('display') === 'none') return;
      var t = g.querySelector('text'), x = kx * +g.dataset.x + tx, y = tv.ky * +g.dataset.y + tv.ty;
      var w = +g.dataset.w;
      g.querySelector('circle').setAttribute('cy', y);
      var h = T.font * T.height, place = null;
      [[-4 - w, 2], [4, -2 - h], [5, -h / 2], [-5 - w, -h / 2]].some(function (o) {
        var b = { x0: x + o[0], y0: y + o[1], x1: x + o[0] + w, y1: y + o[1] + h };
        if (b.x0 < D.left || b.x1 > D.left + D.inner || b.y0 < T.top || b.y1 > T.top + T.size) return false;
        if (times.some(function (o) { return overlaps(o, b, 1); })) return false;
        place = b;
        return true;
      });
      if (!place) { t.setAttribute('display', 'none'); return; }
      times.push(place);
      t.removeAttribute('display');
      t.setAttribute('x', place.x0 - x);
      t.setAttribute('y', place.y0 + T.font * T.ascent);
    });
    var shown = [], anchors = [];
    profileLabels.forEach(function (g) {
      var x = kx * +g.dataset.x + tx;
      if (x < D.left - 0.5 || x > D.left + D.inner + 0.5) { g.setAttribute('display', 'none'); return; }
      g.removeAttribute('display');
      shown.push(g);
      anchors.push(x);
    });
    var at = spread(anchors, Q.pitch, D.left + Q.pitch / 2, D.left + D.inner - Q.pitch / 2);
    shown.forEach(function (g, i) {
      var a = anchors[i], l = at[i], top = Q.laneTop;
      g.querySelector('polyline').setAttribute('points',
          a + ',' + top + ' ' + a + ',' + (top - 8) + ' ' + l + ',' + (top - 20) + ' ' + l + ',' + (top - 25));
      g.querySelector('text').setAttribute('transform',
          'translate(' + (l + Q.centre) + ' ' + Q.labelBottom + ') rotate(-90)');
    });
    distanceAxis();
    fitHeight(kx, tx);
    rememberStretch();
  }

  // The time panel shows the times of the legs in sight, on the steps the
  // drawing takes (Drawing::time_axis).
  function clock(v) {
    var h = Math.floor(v / 3600), m = Math.floor(v / 60) % 60, sec = v % 60;
    var t = h + ':' + (m < 10 ? '0' : '') + m;
    return sec ? t + ':' + (sec < 10 ? '0' : '') + sec : t;
  }
  function fitTime(kx, tx) {
    var T = D.time, world = document.getElementById('time-world');
    if (!T.any || !world) return { ky: 1, ty: 0 };
    var lo = Infinity, hi = -Infinity, i;
    for (i = 0; i < T.stations.length; i += 2)
      if (T.stations[i] >= span.a && T.stations[i] <= span.b) {
        lo = Math.min(lo, T.stations[i + 1]); hi = Math.max(hi, T.stations[i + 1]);
      }
    // A leg in sight brings its ends' times, and its fastest run's end.
    for (i = 0; i < T.legs.length; i += 3) {
      var a = T.legs[i], b = T.legs[i + 1];
      if (b < span.a || a > span.b) continue;
      T.stations.forEach(function (v, k) {
        if (k % 2 === 0 && (v === a || v === b)) { lo = Math.min(lo, T.stations[k + 1]); hi = Math.max(hi, T.stations[k + 1]); }
      });
      hi = Math.max(hi, T.legs[i + 2]);
    }
    if (!(hi >= lo)) { lo = T.lo; hi = T.hi; }
    if (hi - lo < 120) { lo -= 60; hi += 60; }
    var raw = (hi - lo) / 4, step = 60;
    [1, 2, 5, 10, 15, 30, 60, 120, 240].forEach(function (m) { if (raw > m * 60 * 0.7) step = m * 60; });
    lo = Math.floor(lo / step) * step; hi = Math.ceil(hi / step) * step;
    if (hi <= lo) hi = lo + step;
    var top = T.top + 6, size = T.size - 12;
    var ky = (T.hi - T.lo) / (hi - lo), ty = top * (1 - ky) + (T.lo - lo) / (hi - lo) * size;
    world.setAttribute('transform', 'matrix(' + kx + ' 0 0 ' + ky + ' ' + tx + ' ' + ty + ')');
    var o = '';
    for (var v = lo; v <= hi + 1e-9; v += step) {
      var y = top + (v - lo) / (hi - lo) * size;
      o += '<line class="grid" x1="' + D.left + '" y1="' + y + '" x2="' + (D.left + D.inner) + '" y2="' + y +
           '"/><text class="tick" x="' + (D.left - 6) + '" y="' + (y + 3.5) + '" text-anchor="end">' +
           clock(v) + '</text>';
    }
    document.getElementById('time-axis').innerHTML = o;
    return { ky: ky, ty: ty };
  }

  // The height panel shows from the lowest to the highest point in sight.
  function heightAt(m) {
    var h = D.h0, g = D.gradients;
    for (var i = 0; i < g.length; i += 3) {
      if (m <= g[i]) break;
      h += g[i + 2] * (Math.min(m, g[i + 1]) - g[i]) / 1000;
    }
    return h;
  }
  function fitHeight(kx, tx) {
    var world = document.getElementById('height-world');
    if (!world) return;
    var lo = heightAt(span.a), hi = lo, g = D.gradients;
    [span.b].concat(g.filter(function (_, i) { return i % 3 === 0; })).forEach(function (m) {
      if (m < span.a || m > span.b) return;
      var h = heightAt(m);
      lo = Math.min(lo, h); hi = Math.max(hi, h);
    });
    if (hi - lo < 10) { var c = (hi + lo) / 2; lo = c - 5; hi = c + 5; }
    var step = niceStep(hi - lo, 4), pad = (hi - lo) * 0.06;
    lo -= pad; hi += pad;
    var top = Q.heightTop, size = Q.heightSize, foot = top + size;
    var ky = (Q.heightHi - Q.heightLo) / (hi - lo);
    var ty = foot * (1 - ky) - (Q.heightLo - lo) * size / (hi - lo);
    world.setAttribute('transform', 'matrix(' + kx + ' 0 0 ' + ky + ' ' + tx + ' ' + ty + ')');
    var o = '';
    for (var v = Math.ceil(lo / step) * step; v <= hi + 1e-9; v += step) {
      var y = foot - (v - lo) / (hi - lo) * size;
      o += '<line class="grid" x1="' + D.left + '" y1="' + y + '" x2="' + (D.left + D.inner) + '" y2="' + y +
           '"/><text class="tick" x="' + (D.left - 6) + '" y="' + (y + 3.5) + '" text-anchor="end">' +
           fmt(v, step < 1 ? 1 : 0) + ' m</text>';
    }
    document.getElementById('height-axis').innerHTML = o;
  }

  // ---- the two together --------------------------------------------------
  // The plan shows the stretch the profile shows, and the profile the
  // stretch of track in sight on the plan.
  function planFollowsProfile() {
    if (!P) return;
    var x0 = Infinity, x1 = -Infinity, y0 = Infinity, y1 = -Infinity;
    for (var i = 0; i < D.samples.length; i += 3) {
      var m = D.samples[i];
      if (m < span.a || m > span.b) continue;
      x0 = Math.min(x0, D.samples[i + 1]); x1 = Math.max(x1, D.samples[i + 1]);
      y0 = Math.min(y0, D.samples[i + 2]); y1 = Math.max(y1, D.samples[i + 2]);
    }
    if (!(x1 >= x0)) return;
    var pad = 40, fw = P.x1 - P.x0 - 2 * pad, fh = P.y1 - P.y0 - 2 * pad;
    var k = Math.min(x1 > x0 ? fw / (x1 - x0) : Infinity, y1 > y0 ? fh / (y1 - y0) : Infinity);
    k = Math.max(1, Math.min(D.maxZoom, isFinite(k) ? k : D.maxZoom));
    view.k = k;
    view.tx = (P.x0 + P.x1) / 2 - k * (x0 + x1) / 2;
    view.ty = (P.y0 + P.y1) / 2 - k * (y0 + y1) / 2;
    if (k === 1 && span.a <= D.from && span.b >= D.to) view.tx = view.ty = 0;
    applyPlan();
  }

  function profileFollowsPlan() {
    var lo = Infinity, hi = -Infinity;
    for (var i = 0; i < D.samples.length; i += 3) {
      var s = toScreen(D.samples[i + 1], D.samples[i + 2]);
      if (s[0] < P.x0 || s[0] > P.x1 || s[1] < P.y0 || s[1] > P.y1) continue;
      lo = Math.min(lo, D.samples[i]); hi = Math.max(hi, D.samples[i]);
    }
    if (!(hi >= lo)) return;
    setSpan(lo, hi);
    applyProfile();
  }

  function setSpan(a, b) {
    var w = Math.min(Math.max(b - a, minSpan), D.to - D.from);
    var c = (a + b) / 2;
    a = Math.min(Math.max(c - w / 2, D.from), D.to - w);
    span.a = a; span.b = a + w;
  }

  // ---- pointing, zooming, dragging ---------------------------------------
  function region(p) {
    if (P && p.x >= P.x0 && p.x <= P.x1 && p.y >= P.y0 && p.y <= P.y1) return 'plan';
    if (p.x >= D.left && p.x <= D.left + D.inner && p.y >= Q.top && p.y <= Q.axisY + 34) return 'profile';
    return null;
  }

  function zoomPlan(p, factor) {
    var k = Math.max(1, Math.min(D.maxZoom, view.k * factor));
    view.tx = p.x - (p.x - view.tx) * k / view.k;
    view.ty = p.y - (p.y - view.ty) * k / view.k;
    view.k = k;
    if (k === 1) view.tx = view.ty = 0;
    applyPlan();
    profileFollowsPlan();
  }

  function zoomProfile(p, factor) {
    var w = span.b - span.a, m = span.a + (p.x - D.left) / D.inner * w;
    var nw = Math.min(Math.max(w / factor, minSpan), D.to - D.from);
    var a = m - (m - span.a) * nw / w;
    span.a = Math.min(Math.max(a, D.from), D.to - nw);
    span.b = span.a + nw;
    applyProfile();
    planFollowsProfile();
  }

  svg.addEventListener('wheel', function (e) {
    var p = userPoint(e), where = region(p);
    if (!where) return;
    e.preventDefault();
    var factor = Math.exp(-e.deltaY * (e.deltaMode === 1 ? 0.05 : 0.0015));
    if (where === 'plan') zoomPlan(p, factor); else zoomProfile(p, factor);
  }, { passive: false });

  var drag = null;
  svg.addEventListener('pointerdown', function (e) {
    var p = userPoint(e), where = region(p);
    if (!where || e.button !== 0) return;
    drag = { where: where, x: p.x, y: p.y, id: e.pointerId };
    svg.setPointerCapture(e.pointerId);
  });
  svg.addEventListener('pointermove', function (e) {
    var p = userPoint(e);
    if (drag && drag.id === e.pointerId) {
      var dx = p.x - drag.x, dy = p.y - drag.y;
      drag.x = p.x; drag.y = p.y;
      if (drag.where === 'plan') {
        view.tx += dx; view.ty += dy;
        applyPlan();
        profileFollowsPlan();
      } else {
        var w = span.b - span.a, a = span.a - dx / D.inner * w;
        span.a = Math.min(Math.max(a, D.from), D.to - w);
        span.b = span.a + w;
        applyProfile();
        planFollowsProfile();
      }
      return;
    }
    showCursor(p);
    moveTip(e);
  });
  svg.addEventListener('pointerleave', function () { showCursor(null); });
  function endDrag(e) { if (drag && drag.id === e.pointerId) drag = null; }
  svg.addEventListener('pointerup', endDrag);
  svg.addEventListener('pointercancel', endDrag);

  // Back to the whole stretch as first drawn.
  var initial = all('#plan .pl').map(function (g) {
    var t = g.querySelector('text'), l = g.querySelector('line');
    return [g, g.getAttribute('display'), t.getAttribute('x'), t.getAttribute('y'),
            l ? [l.getAttribute('x1'), l.getAttribute('y1'), l.getAttribute('x2'), l.getAttribute('y2')] : null];
  });
  var initialGrid = P ? document.getElementById('plan-grid').innerHTML : '';
  var initialBar = P ? document.getElementById('scale-bar').innerHTML : '';
  function reset() {
    view = { k: 1, tx: 0, ty: 0 };
    span = { a: D.from, b: D.to };
    applyProfile();
    if (!P) return;
    applyPlan();
    initial.forEach(function (s) {
      var g = s[0], t = g.querySelector('text'), l = g.querySelector('line');
      if (s[1] === null) g.removeAttribute('display'); else g.setAttribute('display', s[1]);
      t.setAttribute('x', s[2]); t.setAttribute('y', s[3]);
      if (l) ['x1', 'y1', 'x2', 'y2'].forEach(function (n, i) { l.setAttribute(n, s[4][i]); });
    });
    document.getElementById('plan-grid').innerHTML = initialGrid;
    document.getElementById('scale-bar').innerHTML = initialBar;
  }
  svg.addEventListener('dblclick', reset);
  document.getElementById('reset').addEventListener('click', reset);

  // ---- what is under the pointer -------------------------------------------
  function valueAt(runs, m) {
    for (var i = 0; i < runs.length; i += 3) if (m >= runs[i] && m < runs[i + 1]) return runs[i + 2];
    return runs.length ? runs[runs.length - 1] : 0;
  }
  // The same place on both: a hairline across the profile, a ring on the
  // plan, and its values above the drawing.
  var NS = 'http://www.w3.org/2000/svg';
  var hairline = document.createElementNS(NS, 'line');
  hairline.setAttribute('stroke', '#c0392b');
  hairline.setAttribute('stroke-dasharray', '4 3');
  hairline.setAttribute('pointer-events', 'none');
  hairline.setAttribute('display', 'none');
  document.getElementById('profile').appendChild(hairline);
  var ring = document.createElementNS(NS, 'circle');
  ring.setAttribute('r', '7');
  ring.setAttribute('fill', 'none');
  ring.setAttribute('stroke', '#c0392b');
  ring.setAttribute('stroke-width', '2');
  ring.setAttribute('pointer-events', 'none');
  ring.setAttribute('display', 'none');
  ring.setAttribute('clip-path', 'url(#plan-clip)');
  if (P) document.getElementById('plan').appendChild(ring);

  // The plan point of a metre, between the two samples around it.
  function samplePoint(m) {
    var S = D.samples, lo = 0, hi = S.length / 3 - 1;
    if (hi < 0 || m < S[0] || m > S[hi * 3]) return null;
    while (hi - lo > 1) {
      var mid = (lo + hi) >> 1;
      if (S[mid * 3] <= m) lo = mid; else hi = mid;
    }
    var m0 = S[lo * 3], m1 = S[hi * 3], t = m1 > m0 ? (m - m0) / (m1 - m0) : 0;
    return [S[lo * 3 + 1] + t * (S[hi * 3 + 1] - S[lo * 3 + 1]), S[lo * 3 + 2] + t * (S[hi * 3 + 2] - S[lo * 3 + 2])];
  }
  // The metre of the track nearest a point of the plan, if it is near.
  function metreNear(p) {
    var best = 20 * 20, m = null, S = D.samples;
    for (var i = 0; i < S.length; i += 3) {
      var s = toScreen(S[i + 1], S[i + 2]), d = (s[0] - p.x) * (s[0] - p.x) + (s[1] - p.y) * (s[1] - p.y);
      if (d < best) { best = d; m = S[i]; }
    }
    return m;
  }
  function showCursor(p) {
    var where = p ? region(p) : null, m = null;
    if (where === 'profile') m = Math.round(span.a + (p.x - D.left) / D.inner * (span.b - span.a));
    else if (where === 'plan') m = metreNear(p);
    if (m === null) {
      readout.textContent = '';
      hairline.setAttribute('display', 'none');
      ring.setAttribute('display', 'none');
      return;
    }
    var g = valueAt(D.gradients, m);
    var line = valueAt(D.speeds, m), inForce = valueAt(D.inForce, m);
    readout.textContent = kmText(kilometre(m)) + (D.progressives.length ? ' (' + m + ' m from the start)' : '') +
        ' \u00b7 height ' + fmt(heightAt(m), 1) + ' m \u00b7 gradient ' + (g > 0 ? '+' : '') + g + ' \u2030' +
        (inForce < line ? ' \u00b7 slow-down ' + inForce + ' km/h' : '') + ' \u00b7 line speed ' + line + ' km/h';
    var x = xOf(m);
    if (x >= D.left && x <= D.left + D.inner) {
      hairline.setAttribute('x1', x); hairline.setAttribute('x2', x);
      hairline.setAttribute('y1', Q.laneTop); hairline.setAttribute('y2', Q.axisY);
      hairline.removeAttribute('display');
    } else {
      hairline.setAttribute('display', 'none');
    }
    var at = P ? samplePoint(m) : null;
    if (at) {
      var s = toScreen(at[0], at[1]);
      ring.setAttribute('cx', s[0]); ring.setAttribute('cy', s[1]);
      ring.removeAttribute('display');
    } else {
      ring.setAttribute('display', 'none');
    }
  }

  var hovered = null;
  function highlight(item, on) {
    all('[data-item="' + item + '"]').forEach(function (el) { el.classList.toggle('hi', on); });
  }
  function showTip(item) {
    var it = D.items[item];
    while (tip.firstChild) tip.removeChild(tip.firstChild);
    var b = document.createElement('b');
    b.textContent = it.title;
    tip.appendChild(b);
    var table = document.createElement('table');
    it.fields.forEach(function (f) {
      var tr = document.createElement('tr'), th = document.createElement('th'), td = document.createElement('td');
      th.textContent = f[0]; td.textContent = f[1];
      tr.appendChild(th); tr.appendChild(td); table.appendChild(tr);
    });
    tip.appendChild(table);
    tip.style.display = 'block';
  }
  function moveTip(e) {
    if (hovered === null) return;
    var x = e.clientX + 14, y = e.clientY + 14;
    var w = tip.offsetWidth, h = tip.offsetHeight;
    if (x + w > window.innerWidth - 4) x = Math.max(4, e.clientX - w - 14);
    if (y + h > window.innerHeight - 4) y = Math.max(4, e.clientY - h - 14);
    tip.style.left = x + 'px';
    tip.style.top = y + 'px';
  }
  svg.addEventListener('mouseover', function (e) {
    var el = e.target.closest ? e.target.closest('[data-item]') : null;
    var item = el ? el.getAttribute('data-item') : null;
    if (item === hovered) return;
    if (hovered !== null) highlight(hovered, false);
    hovered = item;
    if (item === null) { tip.style.display = 'none'; return; }
    highlight(item, true);
    showTip(+item);
    moveTip(e);
  });
  svg.addEventListener('mouseleave', function () {
    if (hovered !== null) highlight(hovered, false);
    hovered = null;
    tip.style.display = 'none';
  });

  // The distance axis as the zoom draws it, from the start.
  distanceAxis();

  // A stretch named in the address ("#29000-40000") opens zoomed on it.
  var wanted = /^#(-?\d+)-(-?\d+)$/.exec(location.hash);
  if (wanted && +wanted[2] > +wanted[1]) {
    setSpan(+wanted[1], +wanted[2]);
    applyProfile();
    planFollowsProfile();
  }
})();
