// The page: the settings from the address, the canvas at device pixels, frames
// paced by requestAnimationFrame, and the settings panel (#settings, or the s key).
// window.velmora tells how far the run has come: frames drawn, layouts, done.
//
// Each part keeps its state in a record of its own: the settings (in the module),
// the run on the canvas, the canvas's fit to the device, the panel and the cursor.
(function () {
  'use strict';
  const status = { frames: 0, layouts: 0, done: false };
  window.velmora = status;

  createVelmora().then(start, (error) => console.error('velmora: the page cannot start: ' + error));

  function start(m) {
    const page = m._velmora_create();
    const settings = pageSettings(m, page);
    for (const [name, value] of new URLSearchParams(location.search)) settings.set(name, value);
    const cursor = stillCursor();
    const run = canvasRun(m, page, document.getElementById('screen'), cursor);
    fitCanvas(run);
    settingsPanel(document.getElementById('settings'), settings, run, cursor);
    run.restart();
  }

  // ---- The settings, kept by the module
  function pageSettings(m, page) {
    const text = (address) => m.UTF8ToString(address);
    return {
      set(name, value) {
        const texts = [name, value].map((s) => {
          const bytes = m.lengthBytesUTF8(s) + 1;
          const address = m._malloc(bytes);
          m.stringToUTF8(s, address, bytes);
          return address;
        });
        const result = m._velmora_set(page, texts[0], texts[1]);
        texts.forEach((address) => m._free(address));
        if (result !== 0) console.warn(text(m._velmora_message(page)));
        return result === 0;
      },
      list() {
        const list = [];
        for (let line; (line = text(m._velmora_setting(page, list.length))); ) {
          const [name, value, fallback, low, high] = line.split(' ');
          list.push({ name, value, fallback, low, high });
        }
        return list;
      },
      address() {
        const query = text(m._velmora_query(page));
        return location.href.replace(/[?#].*$/, '') + (query ? '?' + query : '');
      },
    };
  }

  // ---- The run on the canvas
  function canvasRun(m, page, canvas, cursor) {
    const context = canvas.getContext('2d', { alpha: false });
    const text = (address) => m.UTF8ToString(address);
    // The frame record's words by name, as the module lays them out.
    const F = Object.fromEntries(text(m._velmora_frame_fields()).split(' ').map((name, i) => [name, i]));
    const run = {
      canvas,
      area: null, // the figure area: size, place, address of its RGBA pixels
      image: null, // an ImageData over those pixels in the module's memory
      frame: 0, // the frame record's first word
      request: 0, // the animation frame asked for
      fitted: false, // the canvas has its size: the run can be laid out
      ratio: devicePixelRatio, // the one the canvas was fitted for
      refit: null, // set by fitCanvas
    };

    run.restart = () => {
      const notes = text(m._velmora_start(page)); // values the run draws differently
      if (notes) notes.split('\n').forEach((line) => console.warn(line));
      status.frames = 0;
      status.done = false;
      if (run.fitted) run.layOut();
    };

    run.layOut = () => {
      context.fillStyle = '#000';
      context.fillRect(0, 0, canvas.width, canvas.height);
      const record = m._velmora_lay_out(page, canvas.width, canvas.height, performance.now());
      run.image = null;
      run.area = null;
      if (record) {
        const w = m.HEAP32;
        run.frame = record >> 2;
        const at = (name) => w[run.frame + F[name]];
        run.area = { width: at('width'), height: at('height'), x: at('offsetX'), y: at('offsetY'), rgba: at('rgba') };
        status.done = at('last') !== 0;
      } else {
        console.error('velmora: no memory for a ' + canvas.width + ' x ' + canvas.height + ' screen');
      }
      status.layouts += 1;
      schedule();
    };

    function show(firstRow, rows) {
      const area = run.area;
      if (area.width === 0 || area.height === 0) return;
      if (!run.image || run.image.data.buffer !== m.HEAPU8.buffer) {  // the memory grew: a new view
        const bytes = new Uint8ClampedArray(m.HEAPU8.buffer, area.rgba, area.width * area.height * 4);
        run.image = new ImageData(bytes, area.width, area.height);
      }
      context.putImageData(run.image, area.x, area.y, 0, firstRow, area.width, rows);
    }

    // At most fps frames a second, paced by the module: at each animation frame it
    // draws a frame if one is due (a little early counts, as animation frames come
    // a little early or late); a run that falls behind goes on from now.
    function tick(now) {
      run.request = 0;
      if (devicePixelRatio !== run.ratio) run.refit(); // Chromium's emulation tells no one
      if (!m._velmora_draw(page, now)) {
        status.done = true;
        return;
      }
      const at = (name) => m.HEAP32[run.frame + F[name]];
      if (at('drawn')) {
        if (at('changed')) show(at('firstRow'), at('rows'));
        m._velmora_finish(page, now);
        status.frames += 1;
        status.done = at('last') !== 0;
      }
      schedule();
    }

    function schedule() {
      if (!run.request && run.area && !status.done && !document.hidden) run.request = requestAnimationFrame(tick);
    }

    // A hidden page draws nothing and keeps no timer; it starts afresh when shown.
    document.addEventListener('visibilitychange', () => {
      if (document.hidden) {
        cancelAnimationFrame(run.request);
        run.request = 0;
        cursor.rest();
      } else {
        m._velmora_pace_from(page, performance.now());
        schedule();
        cursor.stirred();
      }
    });
    return run;
  }

  // ---- The canvas has as many pixels as the device shows of it.
  function fitCanvas(run) {
    const canvas = run.canvas;
    function fit(width, height) {
      width = Math.max(1, width);
      height = Math.max(1, height);
      if (width === canvas.width && height === canvas.height && run.fitted) return;
      canvas.width = width;
      canvas.height = height;
      run.fitted = true;
      run.layOut();
    }
    // The device pixel box is exact where the ratio is fractional, but Chromium's
    // device emulation leaves it at CSS pixels: it counts where it agrees with the ratio.
    function refit(entry) {
      run.ratio = devicePixelRatio;
      const rect = entry ? entry.contentRect : canvas.getBoundingClientRect();
      let width = Math.round(rect.width * devicePixelRatio);
      let height = Math.round(rect.height * devicePixelRatio);
      const box = entry && entry.devicePixelContentBoxSize && entry.devicePixelContentBoxSize[0];
      if (box && Math.abs(box.inlineSize - width) <= 1 && Math.abs(box.blockSize - height) <= 1) {
        width = box.inlineSize;
        height = box.blockSize;
      }
      fit(width, height);
    }
    run.refit = () => refit(null);
    const observer = new ResizeObserver((entries) => refit(entries[entries.length - 1]));
    try {
      observer.observe(canvas, { box: 'device-pixel-content-box' });
    } catch (error) { // browsers without device pixel boxes
      observer.observe(canvas);
    }
    addEventListener('resize', run.refit);
    let ratioQuery = null; // held, so that its listener lives
    (function watchRatio() { // a new ratio alone (another screen, zoom) is no resize
      ratioQuery = matchMedia(`(resolution: ${devicePixelRatio}dppx)`);
      ratioQuery.addEventListener('change', () => {
        run.refit();
        watchRatio();
      }, { once: true });
    })();
  }

  // ---- The panel
  function settingsPanel(panel, settings, run, cursor) {
    const rows = panel.querySelector('.rows');
    const shownAddress = panel.querySelector('.address');
    cursor.panel = panel;

    function fill() {
      rows.textContent = '';
      for (const s of settings.list()) {
        const input = document.createElement('input');
        input.name = s.name;
        const label = document.createElement('label');
        label.textContent = s.name;
        label.htmlFor = input.id = 'setting-' + s.name;
        const hint = document.createElement('span');
        hint.className = 'hint';
        if (s.low === '0' && s.high === '1') {
          input.type = 'checkbox';
          input.checked = s.value === '1';
          hint.textContent = 'default ' + (s.fallback === '1' ? 'on' : 'off');
        } else {
          input.type = 'number';
          input.min = s.low;
          input.max = s.high;
          input.value = s.value;
          hint.textContent = s.fallback !== '' ? `${s.low} to ${s.high}, default ${s.fallback}`
            : s.name === 'clock' ? 'empty: the calendar clock' : 'empty: no limit';
        }
        input.addEventListener('change', () => {
          settings.set(s.name, input.type === 'checkbox' ? (input.checked ? '1' : '0') : input.value.trim());
          changed();
        });
        rows.append(label, input, hint);
      }
      shownAddress.value = settings.address();
    }

    // Some browsers refuse a new address for a page opened from a file.
    function replaceAddress(url) {
      try {
        history.replaceState(null, '', url);
      } catch (error) {
        console.warn('velmora: the address cannot change here: ' + error);
      }
    }

    function changed() {
      replaceAddress(settings.address() + location.hash);
      run.restart();
      fill();
    }

    function open() {
      fill();
      panel.hidden = false;
      cursor.stirred();
    }

    function close() {
      panel.hidden = true;
      if (location.hash === '#settings') replaceAddress(location.href.replace(/#.*$/, ''));
      cursor.stirred();
    }

    panel.elements.close.addEventListener('click', close);
    panel.elements.defaults.addEventListener('click', () => {
      for (const s of settings.list()) settings.set(s.name, s.fallback);
      changed();
    });
    shownAddress.addEventListener('focus', () => shownAddress.select());
    addEventListener('hashchange', () => (location.hash === '#settings' ? open() : close()));
    addEventListener('keydown', (event) => {
      if (event.ctrlKey || event.altKey || event.metaKey) return;
      const typing = event.target instanceof HTMLInputElement && event.target.type === 'number';
      if (event.key === 'Escape' && !panel.hidden) close();
      else if ((event.key === 's' || event.key === 'S') && !typing) panel.hidden ? open() : close();
    });
    if (location.hash === '#settings') open();
  }

  // ---- The cursor goes after a second of stillness, while the panel is closed.
  function stillCursor() {
    const cursor = { timer: 0, panel: null };
    cursor.rest = () => {
      clearTimeout(cursor.timer);
      cursor.timer = 0;
    };
    cursor.stirred = () => {
      document.body.classList.remove('still');
      cursor.rest();
      if ((!cursor.panel || cursor.panel.hidden) && !document.hidden) {
        cursor.timer = setTimeout(() => {
          cursor.timer = 0;
          document.body.classList.add('still');
        }, 1000);
      }
    };
    addEventListener('mousemove', cursor.stirred);
    return cursor;
  }
})();
