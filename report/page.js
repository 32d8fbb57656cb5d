// Draws the report's plots with dygraphs from the data the page carries
// (report/HtmlReport.cpp writes it): per plot, each sensor's points as steps
// of time and values, a null value for a gap; coarse and, for a long run, a
// finer level that a zoomed plot draws from.
(function () {
  'use strict';
  var data = JSON.parse(document.getElementById('report-data').textContent);
  var graphs = [];

  function esc(text) {
    return String(text).replace(/[&<>"]/g, function (c) {
      return { '&': '&amp;', '<': '&lt;', '>': '&gt;', '"': '&quot;' }[c];
    });
  }

  function timeText(ms) {
    return new Date(ms).toISOString().replace('T', ' ').slice(0, 19) + ' UTC';
  }

  // A level's series as points [time, value], value NaN for a gap.
  function decode(level, start) {
    return level.map(function (flat) {
      var points = [];
      var t = start;
      for (var i = 0; i < flat.length; i += 2) {
        t += flat[i];
        points.push([t, flat[i + 1] === null ? NaN : flat[i + 1]]);
      }
      return points;
    });
  }

  // The rows dygraphs draws, of points from `from` to `to` and one beyond
  // each end: null where a sensor has no point at that time (its line goes
  // on), NaN where it has a gap (its line stops).
  function rows(series, from, to) {
    var byTime = new Map();
    series.forEach(function (points, s) {
      for (var i = 0; i < points.length; ++i) {
        var t = points[i][0];
        if ((i + 1 < points.length && points[i + 1][0] < from) || (i > 0 && points[i - 1][0] > to)) {
          continue;
        }
        var row = byTime.get(t);
        if (!row) {
          row = [t, null, null, null, null, null];
          byTime.set(t, row);
        }
        row[s + 1] = points[i][1];
      }
    });
    return Array.from(byTime.values())
      .sort(function (a, b) { return a[0] - b[0]; })
      .map(function (row) { row[0] = new Date(row[0]); return row; });
  }

  // The last point of a series at or before t.
  function pointAt(points, t) {
    var lo = 0, hi = points.length - 1, found = null;
    while (lo <= hi) {
      var mid = (lo + hi) >> 1;
      if (points[mid][0] <= t) { found = points[mid]; lo = mid + 1; } else { hi = mid - 1; }
    }
    return found;
  }

  // A sensor's battery class and status at t, from its first and its changes.
  function stateAt(run, sensor, t) {
    var state = run.first[sensor].slice();
    run.changes.forEach(function (c) {
      if (c[1] === sensor + 1 && c[0] <= t) {
        state[c[2] === 1 ? 0 : 1] = c[3];
      }
    });
    return state;
  }

  function draw(plot) {
    var run = data.runs[plot.run];
    var div = document.getElementById('plot-' + plot.id);
    var levels = plot.levels.map(function (level) { return decode(level, plot.start); });
    var shown = { level: 0, from: -Infinity, to: Infinity };
    var first = Infinity, last = -Infinity, count = 0;
    levels[0].forEach(function (points) {
      if (points.length) {
        first = Math.min(first, points[0][0]);
        last = Math.max(last, points[points.length - 1][0]);
        count = Math.max(count, points.length);
      }
    });
    var low = plot.range[0], high = plot.range[1];
    plot.bands.forEach(function (band) {
      [band.min, band.max].forEach(function (v) {
        if (v !== null) { low = Math.min(low, v); high = Math.max(high, v); }
      });
    });
    var pad = (high - low) * 0.08 || 1;
    var labels = ['Time'];
    data.colours.forEach(function (c, s) { labels.push('Sensor ' + (s + 1)); });

    var g = new Dygraph(div, rows(levels[0], -Infinity, Infinity), {
      labels: labels,
      colors: data.colours,
      connectSeparatedPoints: true,
      drawGapEdgePoints: true,
      drawPoints: count <= 60,
      pointSize: 2.5,
      strokeWidth: 2,
      labelsUTC: true,
      animatedZooms: false,
      valueRange: [low - pad, high + pad],
      // A run of a single cycle, in the middle of a minute.
      dateWindow: last - first < 1000 ? [first - 30000, last + 30000] : null,
      ylabel: esc(plot.title + ' (' + plot.unit + ')'),
      axes: { y: { axisLabelWidth: 56, valueFormatter: function (v) { return String(v); } } },
      labelsDiv: document.getElementById('legend-' + plot.id),
      legend: 'always',
      legendFormatter: function (d) {
        var parts = [];
        var t = d.x;
        d.series.forEach(function (s, i) {
          var text = esc(s.label);
          if (t !== undefined && t !== null) {
            var p = pointAt(levels[shown.level][i], t);
            var state = stateAt(run, i, t);
            text += ': ' + (p && !isNaN(p[1]) ? esc(p[1] + ' ' + plot.unit) : 'no value') +
              ' <small>(battery ' + esc(state[0]) + ', ' + esc(state[1]) + ')</small>';
          }
          parts.push('<span class="swatch" style="color:' + s.color + '">&#9632;</span> ' + text);
        });
        return (t !== undefined && t !== null ? '<b>' + timeText(t) + '</b> ' : '') +
          parts.join(' &nbsp; ');
      },
      underlayCallback: function (ctx, area, g) {
        // Where the receiver was lost, behind the gaps in the lines; paler
        // where fewer of a span's cycles were lost.
        run.lost[shown.level].forEach(function (lost) {
          var left = Math.max(area.x, g.toDomXCoord(lost[0]));
          var right = Math.min(area.x + area.w, g.toDomXCoord(lost[1]));
          if (right > left) {
            ctx.fillStyle = 'rgba(200, 60, 60, ' + (0.04 + 0.12 * lost[2]) + ')';
            ctx.fillRect(left, area.y, Math.max(right - left, 1), area.h);
          }
        });
        plot.bands.forEach(function (band) {
          var top = band.max === null ? area.y : g.toDomYCoord(band.max);
          var bottom = band.min === null ? area.y + area.h : g.toDomYCoord(band.min);
          ctx.fillStyle = 'rgba(120, 140, 120, 0.16)';
          ctx.fillRect(area.x, top, area.w, bottom - top);
          ctx.strokeStyle = plot.bands.length > 1 ? data.colours[band.sensors[0] - 1] : '#5c7a5c';
          ctx.lineWidth = 1;
          ctx.setLineDash([6, 4]);
          [band.min, band.max].forEach(function (v) {
            if (v !== null) {
              ctx.beginPath();
              ctx.moveTo(area.x, g.toDomYCoord(v));
              ctx.lineTo(area.x + area.w, g.toDomYCoord(v));
              ctx.stroke();
            }
          });
        });
        // Battery class changes marked at the top, status changes at the
        // bottom; a line across only where they are sparse enough to read.
        var range = g.xAxisRange();
        var visible = run.changes.filter(function (c) { return c[0] >= range[0] && c[0] <= range[1]; });
        var lines = visible.length <= area.w / 8;
        visible.forEach(function (c) {
          var x = g.toDomXCoord(c[0]);
          var battery = c[2] === 1;
          if (lines) {
            ctx.strokeStyle = data.colours[c[1] - 1];
            ctx.globalAlpha = 0.3;
            ctx.setLineDash(battery ? [4, 3] : [1, 3]);
            ctx.beginPath();
            ctx.moveTo(x, area.y);
            ctx.lineTo(x, area.y + area.h);
            ctx.stroke();
            ctx.globalAlpha = 1;
          }
          ctx.fillStyle = data.colours[c[1] - 1];
          var y = battery ? area.y : area.y + area.h;
          var dy = battery ? 7 : -7;
          ctx.beginPath();
          ctx.moveTo(x - 4, y);
          ctx.lineTo(x + 4, y);
          ctx.lineTo(x, y + dy);
          ctx.fill();
        });
        ctx.setLineDash([]);
      },
      zoomCallback: function () { refresh(); }
    });

    // A plot zoomed to less than an eighth of the run draws from the finer level.
    function refresh() {
      if (levels.length < 2) {
        return;
      }
      var w = g.xAxisRange();
      var zoomed = w[1] - w[0] < (last - first) / 8;
      var from = w[0] - (w[1] - w[0]), to = w[1] + (w[1] - w[0]);
      if (!zoomed && shown.level === 0) {
        return;
      }
      if (zoomed && shown.level === 1 && w[0] >= shown.from && w[1] <= shown.to) {
        return;
      }
      shown = zoomed ? { level: 1, from: from, to: to } : { level: 0, from: -Infinity, to: Infinity };
      g.updateOptions({ file: rows(levels[shown.level], shown.from, shown.to), dateWindow: w });
    }
    // Panning does not call zoomCallback.
    div.addEventListener('mouseup', function () { setTimeout(refresh, 0); });
    graphs.push(g);
    return g;
  }

  data.plots.forEach(draw);

  // On paper a plot is scaled to the width of A4 within the page's margins
  // (page.css), not drawn again: Chromium prints a plot drawn while it is
  // getting ready to print as blank.
  var PrintWidth = 700;
  window.addEventListener('beforeprint', function () {
    graphs.forEach(function (g) {
      var block = g.graphDiv.closest('.plot-block');
      var width = g.graphDiv.getBoundingClientRect().width;
      block.style.zoom = width > PrintWidth ? String(PrintWidth / width) : '';
    });
  });
  window.addEventListener('afterprint', function () {
    graphs.forEach(function (g) { g.graphDiv.closest('.plot-block').style.zoom = ''; });
  });

  // Where each plot's drawing area lies on the page and the times at its
  // ends, for a test that looks at the drawn pixels.
  graphs.forEach(function (g, i) {
    var div = document.getElementById('plot-' + data.plots[i].id);
    var box = g.graphDiv.getBoundingClientRect();
    var area = g.getArea();
    div.setAttribute('data-area', [box.left + window.scrollX + area.x,
      box.top + window.scrollY + area.y, area.w, area.h].map(Math.round)
      .concat(g.xAxisRange()).join(','));
  });
  window.tyrescopeGraphs = graphs;
  document.documentElement.setAttribute('data-drawn', String(graphs.length));
})();
