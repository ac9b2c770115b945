'use strict';
// Lists the kept receipts, newest first.
fetch('/api/receipts').then((response) => response.json()).then((receipts) => {
  const list = document.getElementById('receipts');
  for (const receipt of receipts.reverse()) {
    const item = document.createElement('li');
    item.textContent = `${receipt.number} ${receipt.time} ${receipt.source} ${receipt.cut}`;
    list.append(item);
  }
});
