declare
  cursor c(lo number) is select id, name from t where id >= lo order by id desc;
  r c%rowtype;
  n t.id%type;
  e t%rowtype;
begin
  insert into t (id, name, d) values (1, 'a' || null, sysdate);
  update t set name = name || 'b' where id in (1, 2) and name like 'a%';
  :r := sql%rowcount;
  select count(*), max(name) into n, :r from t where d is not null;
  select * into e from t where id = 1;
  for x in (select id, nvl(name, '-') nm from t) loop :r := x.nm; end loop;
  open c(0);
  loop fetch c into r; exit when c%notfound; :r := r.name || c%rowcount; end loop;
  close c;
  delete from t where id between 0 and 9;
  rollback;
  execute immediate 'grant select on t to vexmoor';
exception
  when no_data_found or too_many_rows then :r := sqlerrm;
end;
