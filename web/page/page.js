// The page: the settings from the address, the canvas at device pixels, frames
// paced by requestAnimationFrame, and the settings panel (#settings, or the s key).
// window.velmora tells how far the run has come: frames drawn, layouts, done.
(function () {
  'use strict';
  const canvas = document.getElementById('screen');
  const panel = document.getElementById('settings');
  const context = canvas.getContext('2d', { alpha: false });
  const status = { frames: 0, layouts: 0, done: false };
  window.velmora = status;

  createVelmora().then(start, (error) => console.error('velmora: the page cannot start: ' + error));

  function start(m) {
    const page = m._velmora_create();
    const text = (address) => m.UTF8ToString(address);
    let area = null; // the figure area: size, place, address of its RGBA pixels
    let image = null; // an ImageData over those pixels in the module's memory
    let frame = 0; // the frame record's first word
    // The record's words by name, as the module lays them out.
    const F = Object.fromEntries(text(m._velmora_frame_fields()).split(' ').map((name, i) => [name, i]));
    let request = 0;
    let cursorTimer = 0;
    let fitted = false; // the canvas has its size: the run can be laid out
    let ratio = devicePixelRatio; // the one the canvas was fitted for

    // ---- Settings
    function set(name, value) {
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
    }

    function settings() {
      const list = [];
      for (let line; (line = text(m._velmora_setting(page, list.length))); ) {
        const [name, value, fallback, low, high] = line.split(' ');
        list.push({ name, value, fallback, low, high });
      }
      return list;
    }

    function address() {
      const query = text(m._velmora_query(page));
      return location.href.replace(/[?#].*$/, '') + (query ? '?' + query : '');
    }

    for (const [name, value] of new URLSearchParams(location.search)) set(name, value);

    // ---- The run
    function restart() {
      const notes = text(m._velmora_start(page)); // values the run draws differently
      if (notes) notes.split('\n').forEach((line) => console.warn(line));
      status.frames = 0;
      status.done = false;
      if (fitted) layOut();
    }

    function layOut() {
      context.fillStyle = '#000';
      context.fillRect(0, 0, canvas.width, canvas.height);
      const record = m._velmora_lay_out(page, canvas.width, canvas.height, performance.now());
      image = null;
      area = null;
      if (record) {
        const w = m.HEAP32;
        frame = record >> 2;
        area = { width: w[frame + F.width], height: w[frame + F.height], x: w[frame + F.offsetX],
          y: w[frame + F.offsetY], rgba: w[frame + F.rgba] };
        status.done = w[frame + F.last] !== 0;
      } else {
        console.error('velmora: no memory for a ' + canvas.width + ' x ' + canvas.height + ' screen');
      }
      status.layouts += 1;
      schedule();
    }

    function show(firstRow, rows) {
      if (area.width === 0 || area.height === 0) return;
      if (!image || image.data.buffer !== m.HEAPU8.buffer) {  // the memory grew: a new view
        const bytes = new Uint8ClampedArray(m.HEAPU8.buffer, area.rgba, area.width * area.height * 4);
        image = new ImageData(bytes, area.width, area.height);
      }
      context.putImageData(image, area.x, area.y, 0, firstRow, area.width, rows);
    }

    // At most fps frames a second, paced by the module: at each animation frame it
    // draws a frame if one is due (a little early counts, as animation frames come
    // a little early or late); a run that falls behind goes on from now.
    function tick(now) {
      request = 0;
      if (devicePixelRatio !== ratio) fitCanvas(null); // Chromium's emulation tells no one
      if (!m._velmora_draw(page, now)) {
        status.done = true;
        return;
      }
      const w = m.HEAP32;
      if (w[frame + F.drawn]) {
        if (w[frame + F.changed]) show(w[frame + F.firstRow], w[frame + F.rows]);
        m._velmora_finish(page, now);
        status.frames += 1;
        status.done = w[frame + F.last] !== 0;
      }
      schedule();
    }

    function schedule() {
      if (!request && area && !status.done && !document.hidden) request = requestAnimationFrame(tick);
    }

    // A hidden page draws nothing and keeps no timer; it starts afresh when shown.
    document.addEventListener('visibilitychange', () => {
      if (document.hidden) {
        cancelAnimationFrame(request);
        request = 0;
        clearTimeout(cursorTimer);
        cursorTimer = 0;
      } else {
        m._velmora_pace_from(page, performance.now());
        schedule();
        stirred();
      }
    });

    // The canvas has as many pixels as the device shows of it.
    function fit(width, height) {
      width = Math.max(1, width);
      height = Math.max(1, height);
      if (width === canvas.width && height === canvas.height && fitted) return;
      canvas.width = width;
      canvas.height = height;
      fitted = true;
      layOut();
    }
    // The device pixel box is exact where the ratio is fractional, but Chromium's
    // device emulation leaves it at CSS pixels: it counts where it agrees with the ratio.
    function fitCanvas(entry) {
      ratio = devicePixelRatio;
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
    const observer = new ResizeObserver((entries) => fitCanvas(entries[entries.length - 1]));
    try {
      observer.observe(canvas, { box: 'device-pixel-content-box' });
    } catch (error) { // browsers without device pixel boxes
      observer.observe(canvas);
    }
    addEventListener('resize', () => fitCanvas(null));
    let ratioQuery = null; // held, so that its listener lives
    (function watchRatio() { // a new ratio alone (another screen, zoom) is no resize
      ratioQuery = matchMedia(`(resolution: ${devicePixelRatio}dppx)`);
      ratioQuery.addEventListener('change', () => {
        fitCanvas(null);
        watchRatio();
      }, { once: true });
    })();

    // ---- The panel
    const rows = panel.querySelector('.rows');
    const shownAddress = panel.querySelector('.address');

    function fillPanel() {
      rows.textContent = '';
      for (const s of settings()) {
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
          set(s.name, input.type === 'checkbox' ? (input.checked ? '1' : '0') : input.value.trim());
          changed();
        });
        rows.append(label, input, hint);
      }
      shownAddress.value = address();
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
      replaceAddress(address() + location.hash);
      restart();
      fillPanel();
    }

    function openPanel() {
      fillPanel();
      panel.hidden = false;
      stirred();
    }

    function closePanel() {
      panel.hidden = true;
      if (location.hash === '#settings') replaceAddress(location.href.replace(/#.*$/, ''));
      stirred();
    }

    panel.elements.close.addEventListener('click', closePanel);
    panel.elements.defaults.addEventListener('click', () => {
      for (const s of settings()) set(s.name, s.fallback);
      changed();
    });
    shownAddress.addEventListener('focus', () => shownAddress.select());
    addEventListener('hashchange', () => (location.hash === '#settings' ? openPanel() : closePanel()));
    addEventListener('keydown', (event) => {
      if (event.ctrlKey || event.altKey || event.metaKey) return;
      const typing = event.target instanceof HTMLInputElement && event.target.type === 'number';
      if (event.key === 'Escape' && !panel.hidden) closePanel();
      else if ((event.key === 's' || event.key === 'S') && !typing) panel.hidden ? openPanel() : closePanel();
    });

    // ---- The cursor goes after a second of stillness, while the panel is closed.
    function stirred() {
      document.body.classList.remove('still');
      clearTimeout(cursorTimer);
      cursorTimer = 0;
      if (panel.hidden && !document.hidden) {
        cursorTimer = setTimeout(() => {
          cursorTimer = 0;
          document.body.classList.add('still');
        }, 1000);
      }
    }
    addEventListener('mousemove', stirred);

    restart();
    if (location.hash === '#settings') openPanel();
  }
})();
