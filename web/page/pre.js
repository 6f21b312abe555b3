// Placed inside the module's factory. The WebAssembly is written into the page as
// base64, and the loader would fetch that data: address; without fetch it decodes
// it in place, so loading makes no request at all.
var fetch;
