// The page's service worker: it re-serves this site's own responses with
// Cross-Origin-Opener-Policy: same-origin and
// Cross-Origin-Embedder-Policy: require-corp, so that a host that cannot send
// headers still gives the page cross-origin isolation, and with it the
// threaded module. It keeps no cache of its own and asks the server to
// revalidate whatever the browser's HTTP cache holds, so a new release's
// files replace the old ones on the next load.
'use strict';

self.addEventListener('install', () => self.skipWaiting());
self.addEventListener('activate', event => event.waitUntil(self.clients.claim()));

self.addEventListener('fetch', event => {
  const request = event.request;
  if (new URL(request.url).origin !== self.location.origin) return;
  // Such a request cannot be made from here (fetch throws); the browser
  // handles it as it would without a worker.
  if (request.cache === 'only-if-cached' && request.mode !== 'same-origin') return;
  event.respondWith(isolated(request));
});

async function isolated(request) {
  // A cached copy is used only once the server confirms it is current; a
  // reload's own stricter modes stay as they are.
  const revalidated = request.cache === 'default' || request.cache === 'force-cache'
    ? new Request(request, {cache: 'no-cache'}) : request;
  const response = await fetch(revalidated);
  // A redirect seen by a navigation (opaque, status 0) cannot be rebuilt;
  // the browser follows it and asks this worker again.
  if (response.type === 'opaqueredirect' || response.status === 0) return response;
  const headers = new Headers(response.headers);
  headers.set('Cross-Origin-Opener-Policy', 'same-origin');
  headers.set('Cross-Origin-Embedder-Policy', 'require-corp');
  return new Response(response.body, {status: response.status, statusText: response.statusText, headers});
}
