flow f:
  flag order as "late", urgent
