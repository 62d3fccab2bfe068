declare
  cursor c is select id, name from t where id > 1 union select id, name from t where id < 9 order by 2 desc, id;
  r c%rowtype;
begin
  for x in (select name v from t intersect select '' from dual minus select null from dual union all select name from t where id in (select 1 from dual union select 2 from dual)) loop :r := x.v; end loop;
  select name into :r from t where id = 1 minus select name from t where id = 2;
  open c; fetch c into r; close c;
  for y in (select * from (select v.n, v.m from (select name n, max(id) m from t group by name) v join t on t.id = v.m) w order by 1) loop :r := y.n; end loop;
  select count(*) into :r from t a, t b where a.id = b.id(+);
end;
